<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainMenu</name>
    <message>
        <source>Histogram</source>
        <translation>精确定位</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>电平测量</translation>
    </message>
    <message>
        <source>Longterm</source>
        <translation>长期测量</translation>
    </message>
    <message>
        <source>H2Sensor</source>
        <translation>氢气传感器</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>管道定位</translation>
    </message>
    <message>
        <source>Management</source>
        <translation>管理</translation>
    </message>
</context>
</TS>
