<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>CCatalogTree</name>
    <message>
        <source>特殊文件夹不能删除！</source>
        <translation>Special folders cannot be deleted!</translation>
    </message>
    <message>
        <source>这个文件夹里有回收站，不能删除。</source>
        <translation>This folder holds the recycle folder; it cannot be deleted.</translation>
    </message>
    <message>
        <source>确实要永久删除“%1”吗？</source>
        <translation>Delete &quot;%1&quot; permanently?</translation>
    </message>
    <message>
        <source>确实要永久删除“%1”，并把它的 %2 个文章文件放入回收站吗？</source>
        <translation>Delete &quot;%1&quot; permanently and move its %2 article files to the trash?</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>有文章文件不能放入回收站，删除停止：
%1</source>
        <translation>An article file could not be moved to the trash; the deletion stopped:
%1</translation>
    </message>
    <message>
        <source>搜索：</source>
        <translation>Searching: </translation>
    </message>
    <message>
        <source>编辑	(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>新建空文章	(&amp;N)</source>
        <translation>New &amp;Article</translation>
    </message>
    <message>
        <source>新建文件夹	(&amp;F)</source>
        <translation>New &amp;Folder</translation>
    </message>
    <message>
        <source>插入剪贴版内容	(&amp;P)</source>
        <translation>&amp;Paste from Clipboard</translation>
    </message>
    <message>
        <source>导入文件	(&amp;M)</source>
        <translation>I&amp;mport File</translation>
    </message>
    <message>
        <source>删除	(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>下载关联文件	(&amp;L)</source>
        <translation>Download &amp;Linked Files</translation>
    </message>
    <message>
        <source>查看详细信息	(&amp;I)</source>
        <translation>&amp;Item Details</translation>
    </message>
    <message>
        <source>贴到Marvu空间	(&amp;B)</source>
        <translation>Post to &amp;Blog</translation>
    </message>
    <message>
        <source>从网址建立文档	(&amp;U)</source>
        <translation>New from &amp;Address</translation>
    </message>
</context>
<context>
    <name>CFindDlg</name>
    <message>
        <source>查找正文</source>
        <translation>Search article text</translation>
    </message>
    <message>
        <source>查找目录</source>
        <translation>Find in Catalog</translation>
    </message>
    <message>
        <source>关键字：</source>
        <translation>Keyword:</translation>
    </message>
    <message>
        <source>区分大小写</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>向上</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>向下</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>显示隐藏目录树
显示隐藏目录树</source>
        <translation>Show or hide the catalog tree
Show or Hide Catalog Tree</translation>
    </message>
    <message>
        <source>新建空白文章
新建文章</source>
        <translation>Create a blank article
New Article</translation>
    </message>
    <message>
        <source>新建文件夹
新文件夹</source>
        <translation>Create a folder
New Folder</translation>
    </message>
    <message>
        <source>删除文件或目录
删除</source>
        <translation>Delete the article or folder
Delete</translation>
    </message>
    <message>
        <source>设置个人偏好
设置个人偏好</source>
        <translation>Set your preferences
Options</translation>
    </message>
    <message>
        <source>编辑选中的文章
编辑文章</source>
        <translation>Edit the selected article
Edit Article</translation>
    </message>
    <message>
        <source>窗口管理器
窗口管理器</source>
        <translation>Manage the editor windows
Editor Windows</translation>
    </message>
    <message>
        <source>导入已有的HTML文件
导入文件</source>
        <translation>Import an existing HTML file
Import File</translation>
    </message>
    <message>
        <source>查找目录
查找目录</source>
        <translation>Find in the catalog
Find in Catalog</translation>
    </message>
    <message>
        <source>查找下一个
查找下一个</source>
        <translation>Find the next match
Find Next</translation>
    </message>
    <message>
        <source>从剪贴板建立文档
从剪贴板建立文档</source>
        <translation>Make an article from the clipboard
New from Clipboard</translation>
    </message>
    <message>
        <source>保存目录信息
保存</source>
        <translation>Save the catalog
Save</translation>
    </message>
    <message>
        <source>显示程序信息
关于</source>
        <translation>Show information about the program
About</translation>
    </message>
    <message>
        <source>打开目录信息(&amp;O)...	Ctrl+O</source>
        <translation>&amp;Open Catalog...	Ctrl+O</translation>
    </message>
    <message>
        <source>打开另一个目录文件</source>
        <translation>Open another catalog file</translation>
    </message>
    <message>
        <source>保存目录信息(&amp;S)	Ctrl+S</source>
        <translation>&amp;Save Catalog	Ctrl+S</translation>
    </message>
    <message>
        <source>目录信息另存为(&amp;A)...</source>
        <translation>Save Catalog &amp;As...</translation>
    </message>
    <message>
        <source>用新的名字保存目录信息</source>
        <translation>Save the catalog under a new name</translation>
    </message>
    <message>
        <source>贴到Marvu空间	(&amp;B)</source>
        <translation>Post to &amp;Blog</translation>
    </message>
    <message>
        <source>用 Tolvane 发表选中的文章</source>
        <translation>Post the selected article with Tolvane</translation>
    </message>
    <message>
        <source>合并目录信息(&amp;M)</source>
        <translation>&amp;Merge Catalog...</translation>
    </message>
    <message>
        <source>把另一个目录文件合并进来</source>
        <translation>Merge another catalog file into this one</translation>
    </message>
    <message>
        <source>保存并退出(&amp;X)</source>
        <translation>Save and E&amp;xit</translation>
    </message>
    <message>
        <source>保存目录信息并退出</source>
        <translation>Save the catalog and exit</translation>
    </message>
    <message>
        <source>编辑文章	(&amp;E)</source>
        <translation>&amp;Edit Article</translation>
    </message>
    <message>
        <source>新建空文章	(&amp;N)</source>
        <translation>New &amp;Article</translation>
    </message>
    <message>
        <source>新建文件夹	(&amp;F)</source>
        <translation>New Folde&amp;r</translation>
    </message>
    <message>
        <source>从剪贴板建立文档(&amp;P)	Ctrl+V</source>
        <translation>New from &amp;Clipboard	Ctrl+V</translation>
    </message>
    <message>
        <source>导入文件	(&amp;M)</source>
        <translation>I&amp;mport File...</translation>
    </message>
    <message>
        <source>删除选中项目	(&amp;D)</source>
        <translation>&amp;Delete Selected Item</translation>
    </message>
    <message>
        <source>下载关联文件	(&amp;L)</source>
        <translation>Download &amp;Linked Files</translation>
    </message>
    <message>
        <source>查看详细信息	(&amp;I)</source>
        <translation>&amp;Item Details</translation>
    </message>
    <message>
        <source>查找目录(&amp;F)	Ctrl+F</source>
        <translation>&amp;Find in Catalog...	Ctrl+F</translation>
    </message>
    <message>
        <source>查找下一个	(&amp;N)</source>
        <translation>Find &amp;Next</translation>
    </message>
    <message>
        <source>选项	(&amp;O)</source>
        <translation>&amp;Options</translation>
    </message>
    <message>
        <source>窗口..(&amp;W)</source>
        <translation>&amp;Windows...</translation>
    </message>
    <message>
        <source>关于 Quor(&amp;A)...</source>
        <translation>&amp;About Quor...</translation>
    </message>
    <message>
        <source>工具栏(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>显示或隐藏工具栏</source>
        <translation>Show or hide the toolbar</translation>
    </message>
    <message>
        <source>状态栏(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>显示或隐藏状态栏</source>
        <translation>Show or hide the status bar</translation>
    </message>
    <message>
        <source>目录树(&amp;R)</source>
        <translation>Catalog T&amp;ree</translation>
    </message>
    <message>
        <source>下一个窗格</source>
        <translation>Next Pane</translation>
    </message>
    <message>
        <source>上一个窗格</source>
        <translation>Previous Pane</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>最近文件</source>
        <translation>Recent Files</translation>
    </message>
    <message>
        <source>编辑(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>查看(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>工具栏</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>大写</source>
        <translation>CAP</translation>
    </message>
    <message>
        <source>数字</source>
        <translation>NUM</translation>
    </message>
    <message>
        <source>滚动</source>
        <translation>SCRL</translation>
    </message>
    <message>
        <source>将改动保存到 %1？</source>
        <translation>Save changes to %1?</translation>
    </message>
    <message>
        <source>目录文件无法读取，没有打开：
%1

要打开另一个目录文件吗？</source>
        <translation>The catalog file could not be read and was not opened:
%1

Open another catalog file?</translation>
    </message>
    <message>
        <source>没有打开目录文件</source>
        <translation>No catalog file is open</translation>
    </message>
    <message>
        <source>数据文件夹不能写入，新文章无法保存：
%1</source>
        <translation>The data folder cannot be written; new articles cannot be saved:
%1</translation>
    </message>
    <message>
        <source>目录信息没有保存：
%1</source>
        <translation>The catalog was not saved:
%1</translation>
    </message>
    <message>
        <source>无法打开文档。

%1
%2</source>
        <translation>Cannot open the document.

%1
%2</translation>
    </message>
    <message>
        <source>打开目录信息</source>
        <translation>Open Catalog</translation>
    </message>
    <message>
        <source>Quor目录文件 (*.xml)</source>
        <translation>Quor catalog files (*.xml)</translation>
    </message>
    <message>
        <source>没有找到“%1”</source>
        <translation>&quot;%1&quot; was not found</translation>
    </message>
    <message>
        <source>合并目录信息</source>
        <translation>Merge Catalog</translation>
    </message>
    <message>
        <source>XML Files (*.xml);;All Files (*)</source>
        <translation>XML Files (*.xml);;All Files (*)</translation>
    </message>
    <message>
        <source>无法读取 %1，目录没有改变</source>
        <translation>Cannot read %1; the catalog is unchanged</translation>
    </message>
    <message>
        <source>合并的目录中有些文章文件没有复制过来：
%1</source>
        <translation>Some article files of the merged catalog were not copied:
%1</translation>
    </message>
    <message>
        <source>没有显示文章，链接无法下载</source>
        <translation>No article is shown; the link cannot be downloaded</translation>
    </message>
    <message>
        <source>Quor %1

个人文章库：收集网页，整理目录，编辑与发布。</source>
        <translation>Quor %1

Your personal article library: collect web pages, keep them in a catalog, edit and publish them.</translation>
    </message>
    <message>
        <source>关于 Quor</source>
        <translation>About Quor</translation>
    </message>
    <message>
        <source>找不到发表程序 Tolvane</source>
        <translation>The posting program Tolvane was not found</translation>
    </message>
    <message>
        <source>目录信息另存为</source>
        <translation>Save Catalog As</translation>
    </message>
    <message>
        <source>正在下载文章的关联文件，请稍候</source>
        <translation>Downloading the files the article links to, please wait</translation>
    </message>
    <message>
        <source>剪贴板上没有发现HTML内容！</source>
        <translation>No HTML content found on the clipboard!</translation>
    </message>
    <message>
        <source>导入文件</source>
        <translation>Import File</translation>
    </message>
    <message>
        <source>文章的附件文件夹无法建立，链接的文件没有下载：
%1</source>
        <translation>The article&apos;s attachment folder could not be made; the linked files were not downloaded:
%1</translation>
    </message>
    <message>
        <source>文章的路径太长，编辑器无法接收（最多 299 字节）：
%1</source>
        <translation>The article&apos;s path is too long for the editor (299 bytes at most):
%1</translation>
    </message>
    <message>
        <source>编辑任务表无法共享，编辑器无法接收这篇文章：
%1</source>
        <translation>The editing mission table cannot be shared; the editor cannot receive this article:
%1</translation>
    </message>
    <message>
        <source>编辑器无法启动：%1</source>
        <translation>The editor could not be started: %1</translation>
    </message>
    <message>
        <source>这个编辑任务的编辑器已不在运行。
要结束这个编辑任务吗？</source>
        <translation>The editor of this editing mission is no longer running.
End this editing mission?</translation>
    </message>
    <message>
        <source>从网址建立文档
从网址建立文档</source>
        <translation>New article from a web address
New from Address</translation>
    </message>
    <message>
        <source>从网址建立文档(&amp;U)...</source>
        <translation>New from &amp;Address...</translation>
    </message>
    <message>
        <source>从网址建立文档</source>
        <translation>New from Address</translation>
    </message>
    <message>
        <source>网址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>只能从 http 或 https 网址建立文档：
%1</source>
        <translation>Only http and https addresses can be captured:
%1</translation>
    </message>
    <message>
        <source>正在下载 %1</source>
        <translation>Downloading %1</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>网页没有取到：%1
%2</source>
        <translation>The page could not be fetched: %1
%2</translation>
    </message>
</context>
<context>
    <name>COptionDlg</name>
    <message>
        <source>设置：</source>
        <translation>Settings:</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>资料保存目录：</source>
        <translation>Data folder:</translation>
    </message>
    <message>
        <source>编辑器：</source>
        <translation>Editor:</translation>
    </message>
    <message>
        <source>下载文件类型：</source>
        <translation>File types to download:</translation>
    </message>
    <message>
        <source>默认设置</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>资料保存目录</source>
        <translation>Data Folder</translation>
    </message>
    <message>
        <source>资料保存目录太长：最多 %1 字节（汉字每字 2 字节）。</source>
        <translation>The data folder is too long: %1 bytes at most (2 bytes for each Chinese character).</translation>
    </message>
    <message>
        <source>资料保存目录必须是以 / 开头的完整路径。</source>
        <translation>The data folder must be a full path starting with /.</translation>
    </message>
    <message>
        <source>下载文件类型太长：最多 %1 字节。</source>
        <translation>The file types to download are too long: %1 bytes at most.</translation>
    </message>
    <message>
        <source>下载文件类型已生效，但无法保存到设置文件，下次启动时不再有效：
%1</source>
        <translation>The file types to download are in use now, but they could not be saved to the settings file and will be lost at the next start:
%1</translation>
    </message>
</context>
<context>
    <name>CPropertiesDlg</name>
    <message>
        <source>属性</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>Title:</source>
        <translation>Title:</translation>
    </message>
    <message>
        <source>Source:</source>
        <translation>Source:</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>Attatch:</source>
        <translation>Attatch:</translation>
    </message>
    <message>
        <source>Attach Dir</source>
        <translation>Attach Dir</translation>
    </message>
</context>
<context>
    <name>CQuorApp</name>
    <message>
        <source>无法确认是否已有 Quor 在运行，同时运行两个 Quor 可能使目录信息互相覆盖。
%1</source>
        <translation>Cannot tell whether Quor is already running; two Quors running at once can overwrite each other&apos;s catalog.
%1</translation>
    </message>
    <message>
        <source>写入失败</source>
        <translation>write failed</translation>
    </message>
    <message>
        <source>编辑任务表无法共享：%1：%2</source>
        <translation>The editing mission table cannot be shared: %1: %2</translation>
    </message>
    <message>
        <source>无法打开文档。

%1
%2</source>
        <translation>Cannot open the document.

%1
%2</translation>
    </message>
</context>
<context>
    <name>CShellFileOp</name>
    <message>
        <source>“%1”已经存在。
要替换它吗？</source>
        <translation>&quot;%1&quot; already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>确认文件替换</source>
        <translation>Confirm File Replace</translation>
    </message>
    <message>
        <source>确实要把“%1”放入回收站吗？</source>
        <translation>Move &quot;%1&quot; to the trash?</translation>
    </message>
    <message>
        <source>确实要永久性地删除“%1”吗？</source>
        <translation>Delete &quot;%1&quot; permanently?</translation>
    </message>
    <message>
        <source>删除文件</source>
        <translation>Delete File</translation>
    </message>
    <message>
        <source>无法处理“%1”：%2</source>
        <translation>Cannot process &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
</TS>
