<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>CEditorWindow</name>
    <message>
        <source>The article could not be shown.</source>
        <translation>文章无法显示。</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>F&amp;ormat</source>
        <translation>格式(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Insert</source>
        <translation>插入(&amp;I)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>查看(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>保存(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>关闭(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>撤销(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>重做(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation>查找(&amp;F)...</translation>
    </message>
    <message>
        <source>&amp;Bold</source>
        <translation>粗体(&amp;B)</translation>
    </message>
    <message>
        <source>&amp;Italic</source>
        <translation>斜体(&amp;I)</translation>
    </message>
    <message>
        <source>&amp;Underline</source>
        <translation>下划线(&amp;U)</translation>
    </message>
    <message>
        <source>Heading &amp;1</source>
        <translation>标题 &amp;1</translation>
    </message>
    <message>
        <source>Heading &amp;2</source>
        <translation>标题 &amp;2</translation>
    </message>
    <message>
        <source>Heading &amp;3</source>
        <translation>标题 &amp;3</translation>
    </message>
    <message>
        <source>&amp;Paragraph</source>
        <translation>正文段落(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Bulleted List</source>
        <translation>项目符号列表(&amp;B)</translation>
    </message>
    <message>
        <source>&amp;Numbered List</source>
        <translation>编号列表(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Indent</source>
        <translation>增加缩进(&amp;I)</translation>
    </message>
    <message>
        <source>&amp;Outdent</source>
        <translation>减少缩进(&amp;O)</translation>
    </message>
    <message>
        <source>• List</source>
        <translation>• 列表</translation>
    </message>
    <message>
        <source>1. List</source>
        <translation>1. 列表</translation>
    </message>
    <message>
        <source>Indent</source>
        <translation>增加缩进</translation>
    </message>
    <message>
        <source>Outdent</source>
        <translation>减少缩进</translation>
    </message>
    <message>
        <source>&amp;Remove Formatting</source>
        <translation>清除格式(&amp;R)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除格式</translation>
    </message>
    <message>
        <source>&amp;Link...</source>
        <translation>链接(&amp;L)...</translation>
    </message>
    <message>
        <source>&amp;Picture...</source>
        <translation>图片(&amp;P)...</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>链接</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>图片</translation>
    </message>
    <message>
        <source>HTML &amp;Source</source>
        <translation>HTML 源代码(&amp;S)</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>源代码</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>查找</translation>
    </message>
    <message>
        <source>Find: </source>
        <translation>查找：</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>上一个</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>下一个</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>A save is already under way.</source>
        <translation>正在保存，请稍候。</translation>
    </message>
    <message>
        <source>The article is not shown yet; nothing was saved.</source>
        <translation>文章还没有显示出来，没有保存。</translation>
    </message>
    <message>
        <source>The article&apos;s text could not be read from the editor; nothing was saved.</source>
        <translation>无法从编辑器读取文章的内容，没有保存。</translation>
    </message>
    <message>
        <source>The article could not be saved; your text is still here.

%1</source>
        <translation>文章没有保存，你的内容还在这里。

%1</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>已保存 %1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; has changed.

Save the changes before closing?</source>
        <translation>“%1”已经改动。

关闭前保存改动吗？</translation>
    </message>
    <message>
        <source>The picture could not be put into the article.

%1</source>
        <translation>图片无法放入文章。

%1</translation>
    </message>
    <message>
        <source>Links to scripts are not allowed in articles.</source>
        <translation>文章中不允许指向脚本的链接。</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>地址：</translation>
    </message>
    <message>
        <source>Insert Picture</source>
        <translation>插入图片</translation>
    </message>
    <message>
        <source>Pictures (*.png *.jpg *.jpeg *.gif *.bmp *.webp *.svg *.ico);;All files (*)</source>
        <translation>图片 (*.png *.jpg *.jpeg *.gif *.bmp *.webp *.svg *.ico);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>没有找到</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>第 %1 个，共 %2 个</translation>
    </message>
    <message>
        <source>The article was changed on disk and has been shown again.</source>
        <translation>文章文件在磁盘上被改动，已重新显示。</translation>
    </message>
</context>
<context>
    <name>CScrivelApp</name>
    <message>
        <source>Usage: Scrivel [FILE.html]

With no file, Scrivel edits the article the library hands it.</source>
        <translation>用法：Scrivel [文件.html]

不指定文件时，Scrivel 编辑文章库交给它的文章。</translation>
    </message>
    <message>
        <source>Scrivel cannot edit that file.

%1</source>
        <translation>Scrivel 无法编辑这个文件。

%1</translation>
    </message>
    <message>
        <source>Scrivel cannot receive the library&apos;s messages.

%1</source>
        <translation>Scrivel 无法接收文章库的消息。

%1</translation>
    </message>
    <message>
        <source>Scrivel cannot open the article.

%1</source>
        <translation>Scrivel 无法打开这篇文章。

%1</translation>
    </message>
</context>
</TS>
