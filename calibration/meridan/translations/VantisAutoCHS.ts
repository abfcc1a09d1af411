<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>&amp;Project</source>
        <translation>项目(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>打开(&amp;O)...</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>保存(&amp;S)...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>Modify IP Address</source>
        <translation>修改 IP 地址</translation>
    </message>
    <message>
        <source>Re-Sync</source>
        <translation>重新同步</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>重置</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>The new-project wizard is not built yet.</source>
        <translation>新项目向导尚未完成。</translation>
    </message>
    <message>
        <source>The %1 dialog is not built yet.</source>
        <translation>%1 对话框尚未完成。</translation>
    </message>
    <message>
        <source>camera</source>
        <translation>摄像机</translation>
    </message>
    <message>
        <source>boundary</source>
        <translation>边界</translation>
    </message>
    <message>
        <source>The edge-blending settings dialog is not built yet.</source>
        <translation>边缘融合设置对话框尚未完成。</translation>
    </message>
    <message>
        <source>Calibration is not available in this build.</source>
        <translation>此版本无法进行校正。</translation>
    </message>
    <message>
        <source>The threshold review is not built yet.</source>
        <translation>阈值检查尚未完成。</translation>
    </message>
</context>
</TS>
