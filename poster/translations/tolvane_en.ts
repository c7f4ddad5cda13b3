<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CTolvaneDlg</name>
    <message>
        <source>关于 Tolvane(&amp;A)...</source>
        <translation>&amp;About Tolvane...</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>参数不全</source>
        <translation>Some required fields are empty</translation>
    </message>
    <message>
        <source>关于 Tolvane</source>
        <translation>About Tolvane</translation>
    </message>
</context>
</TS>
