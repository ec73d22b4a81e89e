<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>MainMenu</name>
    <message>
        <source>Histogram</source>
        <translation>Точный поиск</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Уровень</translation>
    </message>
    <message>
        <source>Longterm</source>
        <translation>Долговременно</translation>
    </message>
    <message>
        <source>H2Sensor</source>
        <translation>Датчик H2</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>Трассировка</translation>
    </message>
    <message>
        <source>Management</source>
        <translation>Управление</translation>
    </message>
</context>
</TS>
