<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Orvelle</name>
    <message>
        <source>未知错误</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>    Orvelle 是一个处理扫描与传真文档的小工具。它把多页的TIFF文件分解为单页的</source>
        <translation>    Orvelle is a small tool for scanned and faxed documents. It splits multi-page</translation>
    </message>
    <message>
        <source>JPEG、GIF、BMP、PNG或TIFF图片，也可以反过来，把这些单幅图片合成为一个多页的</source>
        <translation>TIFF files into single JPEG, GIF, BMP, PNG or TIFF pictures and, the other way round,</translation>
    </message>
    <message>
        <source>TIFF文件。</source>
        <translation>merges such pictures into one multi-page TIFF file.</translation>
    </message>
    <message>
        <source>    使用时请注意两点：一些老式扫描仪生成的旧式JPEG压缩的TIFF文件可能无法读取；</source>
        <translation>    Note two things: TIFF files with old-style JPEG compression, from some old</translation>
    </message>
    <message>
        <source>合成的TIFF文件采用LZW压缩，压缩率一般，但绝大多数图片软件都能打开和编辑。</source>
        <translation>scanners, may not open; merged TIFF files use LZW, which nearly every program reads.</translation>
    </message>
    <message>
        <source>    本工具的功能是图片的分解与合成。</source>
        <translation>    The tool splits and merges pictures.</translation>
    </message>
    <message>
        <source>（1）图片分解：</source>
        <translation>(1) Splitting:</translation>
    </message>
    <message>
        <source>    打开一个TIFF文件后，它的每一页都会以缩略图的形式列出预览。可以单独提取某一</source>
        <translation>    Once a TIFF file is open, each of its pages is listed as a thumbnail. One page can</translation>
    </message>
    <message>
        <source>页另存，也可以一次分解全部页面；保存时可选择输出格式，以及是否缩放页面。</source>
        <translation>be saved on its own, or every page split at once, in a chosen format and scale.</translation>
    </message>
    <message>
        <source>    在预览列表上单击右键，弹出菜单有两项：</source>
        <translation>    A right click on the list opens a menu with two entries:</translation>
    </message>
    <message>
        <source>    “本页另存为”：把选中的这一页单独保存为图片文件；</source>
        <translation>    &quot;Save this page as&quot;: saves the selected page as a picture file;</translation>
    </message>
    <message>
        <source>    “观看大图片”：在看图窗口中放大观看选中的这一页。</source>
        <translation>    &quot;View full size&quot;: shows the selected page in the viewer.</translation>
    </message>
    <message>
        <source>保存选项：</source>
        <translation>Save options:</translation>
    </message>
    <message>
        <source>    保存格式：JPEG、GIF、BMP、PNG、TIFF五种格式任选其一；</source>
        <translation>    Format: one of JPEG, GIF, BMP, PNG and TIFF;</translation>
    </message>
    <message>
        <source>    图片比例：输出图片的大小为原图的百分之几（1至1000）。</source>
        <translation>    Scale: the size of the output as a percentage of the page (1 to 1000).</translation>
    </message>
    <message>
        <source>    分解后的图片均保存为24位RGB图片。</source>
        <translation>    Split pages are saved as 24-bit RGB pictures.</translation>
    </message>
    <message>
        <source>（2）图片合成：</source>
        <translation>(2) Merging:</translation>
    </message>
    <message>
        <source>    用[添加图片]、[移出图片]和[清空列表]按钮选择要合成的图片，支持JPEG、BMP、</source>
        <translation>    Choose the pictures with [Add pictures], [Remove] and [Clear list]; JPEG, BMP,</translation>
    </message>
    <message>
        <source>PNG、GIF、TIFF五种格式；用[位置上移]和[位置下移]调整顺序，列表中的顺序就是</source>
        <translation>PNG, GIF and TIFF are read. [Move up] and [Move down] set the order; the list&apos;s order</translation>
    </message>
    <message>
        <source>每幅图片在合成后的TIFF文件中的页序。</source>
        <translation>is the order of the pages in the merged TIFF file.</translation>
    </message>
    <message>
        <source>    TIFF和GIF文件可能有多页，合成时可以只取其第一页，也可以取全部页面。这样就</source>
        <translation>    TIFF and GIF files may hold several pages; a merge takes the first of each, or</translation>
    </message>
    <message>
        <source>可以把两个多页的TIFF文件合并成一个。</source>
        <translation>every page, so two multi-page TIFF files can be merged into one.</translation>
    </message>
    <message>
        <source>    说明：合成时不改变图片的尺寸，每一页保持原图的大小。</source>
        <translation>    Note: merging keeps the size of each picture; no page is scaled.</translation>
    </message>
    <message>
        <source>键盘操作：</source>
        <translation>Keys:</translation>
    </message>
    <message>
        <source>    Ctrl+1至Ctrl+4：图片分解、图片合成、版权信息、简易说明；F1：简易说明；</source>
        <translation>    Ctrl+1 to Ctrl+4: Split, Merge, About, Help; F1: Help;</translation>
    </message>
    <message>
        <source>    Ctrl+O：在图片分解页打开TIFF文件，在图片合成页添加图片；Ctrl+Q：退出；</source>
        <translation>    Ctrl+O: open a TIFF file (Split) or add pictures (Merge); Ctrl+Q: quit;</translation>
    </message>
    <message>
        <source>    合成列表中：Delete移出图片，Ctrl+↑、Ctrl+↓调整位置；</source>
        <translation>    In the merge list: Delete removes a picture, Ctrl+Up and Ctrl+Down move it;</translation>
    </message>
    <message>
        <source>    在缩略图或合成列表上按Enter：观看大图片；任务进行中按Esc键取消任务；</source>
        <translation>    Enter on a thumbnail or a merge row: view full size; Esc cancels a running job;</translation>
    </message>
    <message>
        <source>    Tab键在各控件间依次移动，空格键按下按钮，Enter键也可（[分解图片]、[合成图片]</source>
        <translation>    Tab: the next control; Space presses a button, and so does Enter (but [Split] and</translation>
    </message>
    <message>
        <source>只用空格键，以免误写文件）；右键单击[打开]：最近打开的TIFF文件。</source>
        <translation>[Merge] take Space only, so that no file is written by mistake); right click [Open]: recent files.</translation>
    </message>
    <message>
        <source>PDF与无损保存：</source>
        <translation>PDF and pages kept as stored:</translation>
    </message>
    <message>
        <source>    [打开]也可打开扫描的PDF文件；保存格式另有“PDF格式”，每页存为一个PDF文件；</source>
        <translation>    [Open] also opens scanned PDF files; the format &quot;PDF&quot; saves each page as a PDF file;</translation>
    </message>
    <message>
        <source>合成时把文件存为PDF文件(*.pdf)，即合成为一个PDF文件。</source>
        <translation>a merge saved as a PDF file (*.pdf) makes one PDF document.</translation>
    </message>
    <message>
        <source>    预览列表的右键菜单另有一项“无损另存为TIFF”：把选中的这一页按原始数据存为</source>
        <translation>    The page list&apos;s menu also has &quot;Save as TIFF without loss...&quot;: the selected page saved</translation>
    </message>
    <message>
        <source>TIFF文件，不解码也不重新压缩；菜单第三项即“观看大图片”。</source>
        <translation>as a TIFF file with its data as stored, neither decoded nor recompressed; its third entry is &quot;View full size&quot;.</translation>
    </message>
    <message>
        <source>    图片合成页的“保持原始数据(无损)”：各页按原始数据合成，不重新压缩；不能照原样</source>
        <translation>    &quot;Keep as stored&quot; on the Merge page: pages go in as stored, not</translation>
    </message>
    <message>
        <source>保存的页面解码后无损写入。</source>
        <translation>recompressed; a page that cannot be kept so is decoded and written without loss.</translation>
    </message>
    <message>
        <source>JPEG格式</source>
        <translation>JPEG</translation>
    </message>
    <message>
        <source>BMP格式</source>
        <translation>BMP</translation>
    </message>
    <message>
        <source>GIF格式</source>
        <translation>GIF</translation>
    </message>
    <message>
        <source>PNG格式</source>
        <translation>PNG</translation>
    </message>
    <message>
        <source>TIFF格式</source>
        <translation>TIFF</translation>
    </message>
    <message>
        <source>PDF格式</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>图片大小为原图的              % </source>
        <translation>Scale to                      % </translation>
    </message>
    <message>
        <source>    合成为PDF文件时可选“生成可搜索PDF(文字识别)”：识别各页的文字，以不可见</source>
        <translation>    &quot;Searchable PDF (OCR)&quot;, when merging into a PDF file: the words of each page are</translation>
    </message>
    <message>
        <source>文字覆盖在原样保留的图片上，PDF阅读器即可搜索、选取和复制这些文字。</source>
        <translation>recognised and laid invisibly over its unchanged picture, so that PDF readers find, select and copy them.</translation>
    </message>
</context>
<context>
    <name>orvelle::AboutPage</name>
    <message>
        <source>初次编译:2010.8.4  </source>
        <translation>First build 2010.8.4</translation>
    </message>
    <message>
        <source>当前版本:1.002     最后编译:2010.8.5</source>
        <translation>Version 1.002     Last build 2010.8.5</translation>
    </message>
    <message>
        <source>:/images/about.jpg</source>
        <translation>:/images/about_en.jpg</translation>
    </message>
</context>
<context>
    <name>orvelle::DocumentsDialog</name>
    <message>
        <source>分成多个文档</source>
        <translation>Split into documents</translation>
    </message>
    <message>
        <source>每几页一个文档(&amp;N)</source>
        <translation>A document every &amp;N pages</translation>
    </message>
    <message>
        <source>每个空白页后另起一个文档, 空白页不保留(&amp;B)</source>
        <translation>A new document after each &amp;blank page (not kept)</translation>
    </message>
    <message>
        <source>TIFF格式</source>
        <translation>TIFF</translation>
    </message>
    <message>
        <source>PDF格式</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>Dir</translation>
    </message>
    <message>
        <source>文件保存至</source>
        <translation>Save to</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>orvelle::InterleaveDialog</name>
    <message>
        <source>合并双面扫描</source>
        <translation>Put a duplex scan together</translation>
    </message>
    <message>
        <source>本文档的后一半是背面(&amp;H)</source>
        <translation>The second &amp;half of this document are the backs</translation>
    </message>
    <message>
        <source>背面在另一个文件中(&amp;O)</source>
        <translation>The backs are in an&amp;other file</translation>
    </message>
    <message>
        <source>选择背面文件...</source>
        <translation>Choose the backs&apos; file...</translation>
    </message>
    <message>
        <source>背面为倒序(从最后一张扫起)(&amp;R)</source>
        <translation>Backs in &amp;reverse order (last sheet scanned first)</translation>
    </message>
    <message>
        <source>合并</source>
        <translation>Put together</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>合并后的前几页:</source>
        <translation>The first pages of the result:</translation>
    </message>
    <message>
        <source>选择背面文件</source>
        <translation>Choose the backs&apos; file</translation>
    </message>
    <message>
        <source>TIF文件(*.tif,*.tiff)</source>
        <translation>TIF files (*.tif, *.tiff)</translation>
    </message>
    <message>
        <source>背面: %1 (%2页)</source>
        <translation>Backs: %1 (%2 pages)</translation>
    </message>
    <message>
        <source>请选择背面文件。</source>
        <translation>Choose the backs&apos; file.</translation>
    </message>
    <message>
        <source>正面%1页, 背面%2页: 页数不同, 不能合并。</source>
        <translation>%1 fronts, %2 backs: not as many, so they cannot be put together.</translation>
    </message>
    <message>
        <source>正面%1页, 背面%2页。</source>
        <translation>%1 fronts, %2 backs.</translation>
    </message>
</context>
<context>
    <name>orvelle::MergePage</name>
    <message>
        <source>图片文件名</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>图片尺寸</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>添 加 图 片</source>
        <translation>Add pictures</translation>
    </message>
    <message>
        <source>移 出 图 片</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>位 置 上 移</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>位 置 下 移</source>
        <translation>Move down</translation>
    </message>
    <message>
        <source>清 空 列 表</source>
        <translation>Clear list</translation>
    </message>
    <message>
        <source>文件保存的名字 </source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>对多页的GIF（TIFF）仅取第1幅图片</source>
        <translation>Multi-page GIF (TIFF): first page only</translation>
    </message>
    <message>
        <source>对多页的GIF（TIFF）取全部页面</source>
        <translation>Multi-page GIF (TIFF): every page</translation>
    </message>
    <message>
        <source>保持原始数据(无损)</source>
        <translation>Keep as stored</translation>
    </message>
    <message>
        <source>合成图片</source>
        <translation>Merge</translation>
    </message>
    <message>
        <source>用[文件]按钮选择合成后的文件</source>
        <translation>Choose the merged file with [File]</translation>
    </message>
    <message>
        <source>生成可搜索PDF(文字识别)</source>
        <translation>Searchable PDF (OCR)</translation>
    </message>
</context>
<context>
    <name>orvelle::MergeTableModel</name>
    <message>
        <source>路径及文件名</source>
        <translation>Path and file name</translation>
    </message>
    <message>
        <source>图片尺寸</source>
        <translation>Size</translation>
    </message>
</context>
<context>
    <name>orvelle::OrganizerWindow</name>
    <message>
        <source>整理页面 - %1</source>
        <translation>Organize pages - %1</translation>
    </message>
    <message>
        <source>页面</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>文件(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>页面(&amp;P)</source>
        <translation>&amp;Pages</translation>
    </message>
    <message>
        <source>选择(&amp;S)</source>
        <translation>&amp;Select</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>另存为...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>撤销</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>重做</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>向左旋转</source>
        <translation>Turn left</translation>
    </message>
    <message>
        <source>向右旋转</source>
        <translation>Turn right</translation>
    </message>
    <message>
        <source>旋转180°</source>
        <translation>Turn 180°</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>前移</source>
        <translation>Move back</translation>
    </message>
    <message>
        <source>后移</source>
        <translation>Move on</translation>
    </message>
    <message>
        <source>插入空白页</source>
        <translation>Insert blank page</translation>
    </message>
    <message>
        <source>插入文件...</source>
        <translation>Insert files...</translation>
    </message>
    <message>
        <source>倒序</source>
        <translation>Reverse</translation>
    </message>
    <message>
        <source>全选</source>
        <translation>Select all</translation>
    </message>
    <message>
        <source>奇数页</source>
        <translation>Odd pages</translation>
    </message>
    <message>
        <source>偶数页</source>
        <translation>Even pages</translation>
    </message>
    <message>
        <source>空白页</source>
        <translation>Blank pages</translation>
    </message>
    <message>
        <source> (空白)</source>
        <translation> (blank)</translation>
    </message>
    <message>
        <source>%1页</source>
        <translation>%1 pages</translation>
    </message>
    <message>
        <source>插入文件</source>
        <translation>Insert files</translation>
    </message>
    <message>
        <source>TIFF、JPEG、BMP、PNG、GIF格式</source>
        <translation>TIFF, JPEG, BMP, PNG, GIF</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>这些文件无法识别:
%1</source>
        <translation>These files cannot be read:
%1</translation>
    </message>
    <message>
        <source>正在查找空白页...</source>
        <translation>Looking for blank pages...</translation>
    </message>
    <message>
        <source>%1个空白页</source>
        <translation>%1 blank pages</translation>
    </message>
    <message>
        <source>空白页无法写入临时文件夹。</source>
        <translation>The blank pages cannot be written to the temporary folder.</translation>
    </message>
    <message>
        <source>用整理后的页面替换%1吗?</source>
        <translation>Replace %1 with the pages as organized?</translation>
    </message>
    <message>
        <source>文档无法替换: %1</source>
        <translation>The document cannot be replaced: %1</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>TIF文件(*.tif,*.tiff)</source>
        <translation>TIF files (*.tif, *.tiff)</translation>
    </message>
    <message>
        <source>PDF文件(*.pdf)</source>
        <translation>PDF files (*.pdf)</translation>
    </message>
    <message>
        <source>整理页面</source>
        <translation>Organize pages</translation>
    </message>
    <message>
        <source>保存对文档的修改吗?</source>
        <translation>Save the changes to the document?</translation>
    </message>
    <message>
        <source>不保存</source>
        <translation>Don&apos;t save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>合并双面扫描...</source>
        <translation>Put duplex scan together...</translation>
    </message>
    <message>
        <source>分成多个文档...</source>
        <translation>Split into documents...</translation>
    </message>
    <message>
        <source>%1个文档</source>
        <translation>%1 documents</translation>
    </message>
    <message>
        <source>保存前的%1</source>
        <translation>%1 before saving</translation>
    </message>
    <message>
        <source>另存为可搜索PDF...</source>
        <translation>Save as searchable PDF...</translation>
    </message>
    <message>
        <source>另存为可搜索PDF</source>
        <translation>Save as searchable PDF</translation>
    </message>
</context>
<context>
    <name>orvelle::SideBar</name>
    <message>
        <source>图片分解</source>
        <translation>Split</translation>
    </message>
    <message>
        <source>图片合成</source>
        <translation>Merge</translation>
    </message>
    <message>
        <source>版权信息</source>
        <translation>About</translation>
    </message>
    <message>
        <source>简易说明</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>退 出</source>
        <translation>Exit</translation>
    </message>
</context>
<context>
    <name>orvelle::SplitPage</name>
    <message>
        <source>选择要分解的TIFF图片 </source>
        <translation>TIFF file to split</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>文件保存至</source>
        <translation>Save to</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>Dir</translation>
    </message>
    <message>
        <source>保存格式</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>分解图片</source>
        <translation>Split</translation>
    </message>
    <message>
        <source>本页另存为</source>
        <translation>Save this page as...</translation>
    </message>
    <message>
        <source>无损另存为TIFF</source>
        <translation>Save as TIFF without loss...</translation>
    </message>
    <message>
        <source>观看大图片</source>
        <translation>View full size</translation>
    </message>
    <message>
        <source>右键单击: 最近打开的文件</source>
        <translation>Right click: recent files</translation>
    </message>
    <message>
        <source>用[打开]按钮选择TIFF文件</source>
        <translation>Choose the TIFF file with [Open]</translation>
    </message>
    <message>
        <source>用[目录]按钮选择保存的目录</source>
        <translation>Choose the folder with [Dir]</translation>
    </message>
    <message>
        <source>整理页面...</source>
        <translation>Organize pages...</translation>
    </message>
</context>
<context>
    <name>orvelle::TForm1</name>
    <message>
        <source>按Esc键取消</source>
        <translation>Esc cancels</translation>
    </message>
    <message>
        <source>任务正在进行,是否取消并退出?</source>
        <translation>A job is running. Cancel it and quit?</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>TIF文件(*.tif,*.tiff)</source>
        <translation>TIFF files</translation>
    </message>
    <message>
        <source>请选择</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>TIFF、JPEG、BMP、PNG、GIF格式</source>
        <translation>TIFF, JPEG, BMP, PNG, GIF pictures</translation>
    </message>
    <message>
        <source>PDF文件(*.pdf)</source>
        <translation>PDF files</translation>
    </message>
    <message>
        <source>无法打开网页浏览器</source>
        <translation>No web browser could be opened.</translation>
    </message>
    <message>
        <source>:/images/banner.bmp</source>
        <translation>:/images/banner_en.bmp</translation>
    </message>
</context>
<context>
    <name>orvelle::TForm2</name>
    <message>
        <source>图片无法识别!</source>
        <translation>The picture cannot be read.</translation>
    </message>
    <message>
        <source>图片浏览</source>
        <translation>Picture viewer</translation>
    </message>
    <message>
        <source>图(%1)</source>
        <translation>Page %1</translation>
    </message>
</context>
<context>
    <name>orvelle::TSaveDlg</name>
    <message>
        <source>本页图片另存为 </source>
        <translation>Save this page as</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
