<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB">
<context>
    <name>MainMenu</name>
    <message>
        <source>Histogram</source>
        <translation>Card catalogue</translation>
    </message>
</context>
</TS>
