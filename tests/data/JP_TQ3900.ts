<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>MainMenu</name>
    <message>
        <source>Histogram</source>
        <translation>ピンポイント</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>レベル測定</translation>
    </message>
    <message>
        <source>Longterm</source>
        <translation>長期測定</translation>
    </message>
    <message>
        <source>H2Sensor</source>
        <translation>水素センサー</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>管路探査</translation>
    </message>
    <message>
        <source>Management</source>
        <translation>管理</translation>
    </message>
</context>
</TS>
