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
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>校正</translation>
    </message>
    <message>
        <source>Re-calibration</source>
        <translation>重新校正</translation>
    </message>
    <message>
        <source>Auto Tune</source>
        <translation>自动调整</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>[CORRECT ERROR 0006]:
 The camera picture kept changing after a pattern was shown, so no photograph was taken and nothing was saved. Make sure nothing moves between the projectors and the screen and the camera is fixed, or set PHOTO_WAIT=fixed in section CAPTURE of default.ini.</source>
        <translation>[CORRECT ERROR 0006]:
 图案显示后摄像机画面一直在变化，因此没有拍摄照片，也没有保存任何内容。请确保投影机与屏幕之间没有物体移动并且摄像机已固定，或在 default.ini 的 CAPTURE 节中设置 PHOTO_WAIT=fixed。</translation>
    </message>
</context>
</TS>
