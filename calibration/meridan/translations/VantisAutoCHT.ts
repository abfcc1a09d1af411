<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW">
<context>
    <name>QObject</name>
    <message>
        <source>&amp;Project</source>
        <translation>專案(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>開啟(&amp;O)...</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>儲存(&amp;S)...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>說明(&amp;H)</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>Modify IP Address</source>
        <translation>修改 IP 位址</translation>
    </message>
    <message>
        <source>Re-Sync</source>
        <translation>重新同步</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>重設</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>連線</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>刪除</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>關閉</translation>
    </message>
    <message>
        <source>The new-project wizard is not built yet.</source>
        <translation>新專案精靈尚未完成。</translation>
    </message>
    <message>
        <source>The %1 dialog is not built yet.</source>
        <translation>%1 對話框尚未完成。</translation>
    </message>
    <message>
        <source>camera</source>
        <translation>攝影機</translation>
    </message>
    <message>
        <source>boundary</source>
        <translation>邊界</translation>
    </message>
    <message>
        <source>The edge-blending settings dialog is not built yet.</source>
        <translation>邊緣融合設定對話框尚未完成。</translation>
    </message>
    <message>
        <source>Calibration is not available in this build.</source>
        <translation>此版本無法進行校正。</translation>
    </message>
    <message>
        <source>The threshold review is not built yet.</source>
        <translation>閾值檢視尚未完成。</translation>
    </message>
</context>
</TS>
