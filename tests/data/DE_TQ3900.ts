<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>MainMenu</name>
    <message>
        <source>Histogram</source>
        <translation>Punktortung (Karte)</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>Pegel (Karte)</translation>
    </message>
    <message>
        <source>Longterm</source>
        <translation>Langzeit (Karte)</translation>
    </message>
    <message>
        <source>H2Sensor</source>
        <translation>H2-Sensor (Karte)</translation>
    </message>
    <message>
        <source>Pipelocating</source>
        <translation>Rohrortung (Karte)</translation>
    </message>
    <message>
        <source>Management</source>
        <translation>Verwaltung (Karte)</translation>
    </message>
</context>
</TS>
