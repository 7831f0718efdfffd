<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ipmdb-convert</name>
    <message>
        <source>用法：ipmdb-convert 输入文件 [-o 输出文件] [--quiet]
      ipmdb-convert --sql 输入文件
      ipmdb-convert --recover 数据库文件
      ipmdb-convert --check 数据库文件
      ipmdb-convert --help | --version

把文本IP数据库（GBK编码，每行一个地址段：起始地址、结束地址、国家、地区）
转换为 Access 数据库（Jet 4.0 格式），每行写入表 IP 的一条记录，
每 %1 行为一个事务。

  -o, --output 输出文件  输出数据库的路径，默认为当前目录下的“MorvaneIP数据库.MDB”；
                         转换开始时该文件被重置为空的模板数据库；它不能是输入文件本身。
  -q, --quiet            不显示进度和结果，只报告错误。
  --sql 输入文件         不转换，按行序把每行的插入语句以 UTF-8 打印到标准输出；
                         不是GBK字符的字节输出为 U+FFFD。
  --recover 数据库文件   打开并关闭数据库：中断的提交被回滚，文件回到最后一次提交。
  --check 数据库文件     只读地检查数据库的完整性：每个问题一行，注明所在的页；
                         没有问题时输出“OK: 页数 pages, 表数 tables, 行数 rows”。
  --help, -h             显示本帮助后退出。
  --version              显示程序名和版本后退出。

输入文件读到第一个 NUL 字节为止，也可以是 FIFO 或设备。进度显示在标准错误上（终端上为
进度条，否则每个事务一行），写不出的进度被略过；结果写不到标准输出时改写到标准错误。
按 Ctrl-C 或发送 SIGTERM 即停止：读取输入时停止，输出文件不被改动；转换中在下一行处停止，
已提交的记录保留在输出文件中。
提示和报告按区域设置（LC_ALL、LC_MESSAGES、LANG）的编码输出，英语区域设置下为英文；
--sql 的语句总是 UTF-8。

退出码：0 成功；1 数据库拒绝了一批记录（已提交的批次保留）；
        2 参数错误、无法读取输入、无法写入输出或标准输出；130 被中断。
        --check：0 没有问题；1 发现问题；2 文件无法作为 Jet 4 数据库读取。
</source>
        <translation>Usage: ipmdb-convert INPUT [-o OUTPUT] [--quiet]
       ipmdb-convert --sql INPUT
       ipmdb-convert --recover DATABASE
       ipmdb-convert --check DATABASE
       ipmdb-convert --help | --version

Converts a text IP database (GBK text, one address range per line: start address, end address,
country, area) into an Access database (Jet 4.0 format), each line a record of table IP, in
transactions of %1 lines.

  -o, --output OUTPUT   the output database; by default "MorvaneIP数据库.MDB" in the current
                        directory. It is reset to the empty template database when the
                        conversion starts, and must not be the input file itself.
  -q, --quiet           no progress and no summary, only errors.
  --sql INPUT           no conversion: prints the insert statement of every line, in file
                        order, as UTF-8 on standard output; bytes that are not GBK characters
                        come out as U+FFFD.
  --recover DATABASE    opens and closes the database: a commit cut short is rolled back, and
                        the file holds its last commit.
  --check DATABASE      checks the database's integrity, read-only: one line per problem,
                        naming its page; "OK: N pages, T tables, R rows" when there is none.
  --help, -h            prints this help and exits.
  --version             prints the program's name and version and exits.

INPUT is read up to its first NUL byte; it may be a FIFO or a device. Progress goes to standard
error (a bar on a terminal, one line per transaction otherwise); progress that cannot be written
is dropped, and a summary that standard output cannot take goes to standard error.
Ctrl-C or SIGTERM stops the run: while the input is read, the output file is left untouched;
during the conversion, at the next line, and the committed records stay in the output file.
Messages and reports are written in the encoding of the locale (LC_ALL, LC_MESSAGES, LANG), in
English under an English locale; the statements of --sql are always UTF-8.

Exit status: 0 success; 1 the database refused a batch (the committed batches stay);
             2 bad arguments, unreadable input, unwritable output or standard output;
             130 interrupted.
             --check: 0 no problem; 1 problems found; 2 the file cannot be read as a Jet 4
             database.
</translation>
    </message>
    <message>
        <source>缺少参数：请指定要转换的文本IP数据库。</source>
        <translation>Missing argument: name the text IP database to convert.</translation>
    </message>
    <message>
        <source>选项 -o 缺少输出文件。</source>
        <translation>Option -o needs an output file.</translation>
    </message>
    <message>
        <source>选项 -o 的输出文件名为空。</source>
        <translation>The output file name of option -o is empty.</translation>
    </message>
    <message>
        <source>选项 --sql 缺少输入文件。</source>
        <translation>Option --sql needs an input file.</translation>
    </message>
    <message>
        <source>选项 --sql 的输入文件名为空。</source>
        <translation>The input file name of option --sql is empty.</translation>
    </message>
    <message>
        <source>选项 --recover 缺少数据库文件。</source>
        <translation>Option --recover needs a database file.</translation>
    </message>
    <message>
        <source>选项 --recover 的数据库文件名为空。</source>
        <translation>The database file name of option --recover is empty.</translation>
    </message>
    <message>
        <source>选项 --check 缺少数据库文件。</source>
        <translation>Option --check needs a database file.</translation>
    </message>
    <message>
        <source>选项 --check 的数据库文件名为空。</source>
        <translation>The database file name of option --check is empty.</translation>
    </message>
    <message>
        <source>只能指定一个输出文件：%1</source>
        <translation>Only one output file may be given: %1</translation>
    </message>
    <message>
        <source>未知选项：%1</source>
        <translation>Unknown option: %1</translation>
    </message>
    <message>
        <source>输入文件名为空。</source>
        <translation>The input file name is empty.</translation>
    </message>
    <message>
        <source>只能指定一个输入文件：%1</source>
        <translation>Only one input file may be given: %1</translation>
    </message>
    <message>
        <source>选项 %1 与 %2 不能同时使用。</source>
        <translation>Options %1 and %2 cannot be used together.</translation>
    </message>
    <message>
        <source>选项 -o 只用于转换，不能与 %1 同时使用。</source>
        <translation>Option -o is for a conversion only and cannot be used with %1.</translation>
    </message>
    <message>
        <source>选项 --quiet 只用于转换，不能与 %1 同时使用。</source>
        <translation>Option --quiet is for a conversion only and cannot be used with %1.</translation>
    </message>
    <message>
        <source>用 %1 --help 查看用法。</source>
        <translation>Run %1 --help for the usage.</translation>
    </message>
    <message>
        <source>内存不足。</source>
        <translation>Out of memory.</translation>
    </message>
    <message>
        <source>无法读取文本IP数据库：%1</source>
        <translation>Cannot read the text IP database: %1</translation>
    </message>
    <message>
        <source>无法写入标准输出：%1</source>
        <translation>Cannot write to standard output: %1</translation>
    </message>
    <message>
        <source>转换在读取文本IP数据库时被中断，%1 未被改动。</source>
        <translation>The conversion was interrupted while the text IP database was read; %1 was not changed.</translation>
    </message>
    <message>
        <source>已提交的前 %1 行保留在 %2 中。</source>
        <translation>The first %1 lines, which were committed, stay in %2.</translation>
    </message>
    <message>
        <source>转换被中断，已提交的前 %1 行保留在 %2 中。</source>
        <translation>The conversion was interrupted; the first %1 lines, which were committed, stay in %2.</translation>
    </message>
    <message>
        <source>已转换 %1 条记录到 %2，用时 %3 秒。</source>
        <translation>Converted %1 records into %2 in %3 s.</translation>
    </message>
    <message>
        <source>已打开并关闭 %1：文件处于最后一次提交后的状态。</source>
        <translation>Opened and closed %1: the file holds its last commit.</translation>
    </message>
    <message>
        <source>已提交 %1/%2 行，用时 %3 秒</source>
        <translation>Committed %1/%2 lines in %3 s</translation>
    </message>
    <message>
        <source>截至第 %1 行的一批记录写入失败（共 %2 行）</source>
        <translation>The batch up to line %1 could not be written (%2 lines in all)</translation>
    </message>
    <message>
        <source>%1/%2 行</source>
        <translation>%1/%2 lines</translation>
    </message>
    <message>
        <source>%1 行/秒</source>
        <translation>%1 lines/s</translation>
    </message>
    <message>
        <source>已用 %1 秒</source>
        <translation>%1 s so far</translation>
    </message>
</context>
</TS>
