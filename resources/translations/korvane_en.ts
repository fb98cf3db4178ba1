<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Batch</name>
    <message numerus="yes">
        <location filename="../../src/batch/batch.cpp" line="+317"/>
        <source>%n updated</source>
        <extracomment>The run&apos;s count of units (grippers) that ended so, joined as in &quot;3 updated, 1 failed&quot;</extracomment>
        <translation>
            <numerusform>%n updated</numerusform>
            <numerusform>%n updated</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n up to date</source>
        <translation>
            <numerusform>%n up to date</numerusform>
            <numerusform>%n up to date</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n not updated</source>
        <translation>
            <numerusform>%n not updated</numerusform>
            <numerusform>%n not updated</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n failed</source>
        <translation>
            <numerusform>%n failed</numerusform>
            <numerusform>%n failed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+1"/>
        <source>%n given up</source>
        <translation>
            <numerusform>%n given up</numerusform>
            <numerusform>%n given up</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+10"/>
        <source>; %n report line(s) not written</source>
        <translation>
            <numerusform>; %n report line not written</numerusform>
            <numerusform>; %n report lines not written</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FlashTool</name>
    <message numerus="yes">
        <location filename="../../tools/korvane-flash/flashtool.cpp" line="+336"/>
        <source>Stopping: %n unit(s) under way finish first; Ctrl-C again gives them up.</source>
        <translation>
            <numerusform>Stopping: %n unit under way finishes first; Ctrl-C again gives it up.</numerusform>
            <numerusform>Stopping: %n units under way finish first; Ctrl-C again gives them up.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>History</name>
    <message numerus="yes">
        <location filename="../../tools/korvane-flash/historycommand.cpp" line="+82"/>
        <source>%1: %n line(s) that are no record skipped</source>
        <translation>
            <numerusform>%1: %n line that is no record skipped</numerusform>
            <numerusform>%1: %n lines that are no record skipped</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location line="+10"/>
        <source>%1: %n record(s), none that answers the question.</source>
        <translation>
            <numerusform>%1: %n record, which does not answer the question.</numerusform>
            <numerusform>%1: %n records, none that answers the question.</numerusform>
        </translation>
    </message>
</context>
</TS>
