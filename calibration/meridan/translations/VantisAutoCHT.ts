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
        <translation>自動調整</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>[CORRECT ERROR 0006]:
 The camera picture kept changing after a pattern was shown, so no photograph was taken and nothing was saved. Make sure nothing moves between the projectors and the screen and the camera is fixed, or set PHOTO_WAIT=fixed in section CAPTURE of default.ini.</source>
        <translation>[CORRECT ERROR 0006]:
 圖案顯示後攝影機畫面一直在變化，因此沒有拍攝照片，也沒有儲存任何內容。請確認投影機與螢幕之間沒有物體移動並且攝影機已固定，或在 default.ini 的 CAPTURE 區段中設定 PHOTO_WAIT=fixed。</translation>
    </message>
</context>
</TS>
