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
</context>
</TS>
