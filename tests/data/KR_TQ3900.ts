<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR">
<context>
    <name>MainMenu</name>
    <message>
        <source>Histogram</source>
        <translation>정밀 탐지</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>레벨 측정</translation>
    </message>
    <message>
        <source>Longterm</source>
        <translation>장기 측정</translation>
    </message>
    <message>
        <source>H2Sensor</source>
        <translation>수소 센서</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>배관 탐지</translation>
    </message>
    <message>
        <source>Management</source>
        <translation>관리</translation>
    </message>
</context>
</TS>
