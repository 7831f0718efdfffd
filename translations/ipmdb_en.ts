<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ipmdb</name>
    <message>
        <source>MorvaneIP数据库转换程序</source>
        <translation>MorvaneIP Database Converter</translation>
    </message>
    <message>
        <source>Morvane文本数据库：</source>
        <translation>Morvane text database:</translation>
    </message>
    <message>
        <source>默认*.MDB数据库路径：</source>
        <translation>Output *.MDB database:</translation>
    </message>
    <message>
        <source>Fenwarde出品：</source>
        <translation>Made by Fenwarde:</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>转换</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>更改…</source>
        <translation>Change…</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>文本IP数据库(*.txt)</source>
        <translation>Text IP database (*.txt)</translation>
    </message>
    <message>
        <source>所有文件(*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>Access数据库(*.mdb *.MDB)</source>
        <translation>Access database (*.mdb *.MDB)</translation>
    </message>
    <message>
        <source>输出数据库</source>
        <translation>Output database</translation>
    </message>
    <message>
        <source>欢迎使用此程序[%1]</source>
        <translation>Welcome to this program [%1]</translation>
    </message>
    <message>
        <source>转换开始,时间 - [%1]</source>
        <translation>Conversion started, time - [%1]</translation>
    </message>
    <message>
        <source>加载第[%1/%2]条记录成功,时间 - [%3]</source>
        <translation>Loaded records up to [%1/%2], time - [%3]</translation>
    </message>
    <message>
        <source>加载第[%1/%2]条记录失败,时间 - [%3]</source>
        <translation>Failed to load records up to [%1/%2], time - [%3]</translation>
    </message>
    <message>
        <source>转换完成：%1 条记录，用时 %2 秒 → %3</source>
        <translation>Conversion finished: %1 records in %2 s → %3</translation>
    </message>
    <message>
        <source>程序所在的文件夹[%1]不可写，输出数据库改存到[%2]。</source>
        <translation>The program's folder [%1] is not writable; the output database goes to [%2] instead.</translation>
    </message>
    <message>
        <source>无法打开浏览器，请复制网址自行访问：%1</source>
        <translation>No web browser could be opened; copy the address to visit it: %1</translation>
    </message>
    <message>
        <source>无法打开文件夹：%1</source>
        <translation>The folder could not be opened: %1</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>%1%，剩余约 %2 秒</source>
        <translation>%1%, about %2 s left</translation>
    </message>
    <message>
        <source>%1%，剩余约 %2 分 %3 秒</source>
        <translation>%1%, about %2 min %3 s left</translation>
    </message>
    <message>
        <source>文本IP数据库路径不能为空。</source>
        <translation>The path of the text IP database must not be empty.</translation>
    </message>
    <message>
        <source>[%1]文件不存在。</source>
        <translation>[%1] The file does not exist.</translation>
    </message>
    <message>
        <source>[%1]不是普通文件：转换时先读完它的全部文本，暂存在临时文件中。</source>
        <translation>[%1] is not a regular file: the conversion first reads all of its text into a temporary file.</translation>
    </message>
    <message>
        <source>转换尚未完成，确定退出？</source>
        <translation>The conversion has not finished. Quit anyway?</translation>
    </message>
    <message>
        <source>发生了未知错误。</source>
        <translation>An unknown error occurred.</translation>
    </message>
</context>
</TS>
