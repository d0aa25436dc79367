#include "help_page.h"

#include <QCoreApplication>

#include <QTextEdit>
#include <iterator>

#include "look.h"
#include "page_geometry.h"

namespace orvelle {

const char* const kHelpLines[] = {
    QT_TRANSLATE_NOOP(
        "Orvelle", "    Orvelle 是一个处理扫描与传真文档的小工具。它把多页的TIFF文件分解为单页的"),
    QT_TRANSLATE_NOOP(
        "Orvelle", "JPEG、GIF、BMP、PNG或TIFF图片，也可以反过来，把这些单幅图片合成为一个多页的"),
    QT_TRANSLATE_NOOP("Orvelle", "TIFF文件。"),
    "",
    QT_TRANSLATE_NOOP(
        "Orvelle",
        "    使用时请注意两点：一些老式扫描仪生成的旧式JPEG压缩的TIFF文件可能无法读取；"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "合成的TIFF文件采用LZW压缩，压缩率一般，但绝大多数图片软件都能打开和编辑。"),
    "",
    QT_TRANSLATE_NOOP("Orvelle", "    本工具的功能是图片的分解与合成。"),
    QT_TRANSLATE_NOOP("Orvelle", "（1）图片分解："),
    QT_TRANSLATE_NOOP(
        "Orvelle",
        "    打开一个TIFF文件后，它的每一页都会以缩略图的形式列出预览。可以单独提取某一"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "页另存，也可以一次分解全部页面；保存时可选择输出格式，以及是否缩放页面。"),
    QT_TRANSLATE_NOOP("Orvelle", "    在预览列表上单击右键，弹出菜单有两项："),
    QT_TRANSLATE_NOOP("Orvelle", "    “本页另存为”：把选中的这一页单独保存为图片文件；"),
    QT_TRANSLATE_NOOP("Orvelle", "    “观看大图片”：在看图窗口中放大观看选中的这一页。"),
    "",
    QT_TRANSLATE_NOOP("Orvelle", "保存选项："),
    QT_TRANSLATE_NOOP("Orvelle", "    保存格式：JPEG、GIF、BMP、PNG、TIFF五种格式任选其一；"),
    QT_TRANSLATE_NOOP("Orvelle", "    图片比例：输出图片的大小为原图的百分之几（1至1000）。"),
    QT_TRANSLATE_NOOP("Orvelle", "    分解后的图片均保存为24位RGB图片。"),
    "",
    QT_TRANSLATE_NOOP("Orvelle", "（2）图片合成："),
    QT_TRANSLATE_NOOP(
        "Orvelle", "    用[添加图片]、[移出图片]和[清空列表]按钮选择要合成的图片，支持JPEG、BMP、"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "PNG、GIF、TIFF五种格式；用[位置上移]和[位置下移]调整顺序，列表中的顺序就是"),
    QT_TRANSLATE_NOOP("Orvelle", "每幅图片在合成后的TIFF文件中的页序。"),
    QT_TRANSLATE_NOOP(
        "Orvelle", "    TIFF和GIF文件可能有多页，合成时可以只取其第一页，也可以取全部页面。这样就"),
    QT_TRANSLATE_NOOP("Orvelle", "可以把两个多页的TIFF文件合并成一个。"),
    "",
    QT_TRANSLATE_NOOP("Orvelle", "    说明：合成时不改变图片的尺寸，每一页保持原图的大小。"),
    "",
    "",
    "",
    // What the program adds after that text: its keys.
    QT_TRANSLATE_NOOP("Orvelle", "键盘操作："),
    QT_TRANSLATE_NOOP("Orvelle",
                      "    Ctrl+1至Ctrl+4：图片分解、图片合成、版权信息、简易说明；F1：简易说明；"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "    Ctrl+O：在图片分解页打开TIFF文件，在图片合成页添加图片；Ctrl+Q：退出；"),
    QT_TRANSLATE_NOOP("Orvelle", "    合成列表中：Delete移出图片，Ctrl+↑、Ctrl+↓调整位置；"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "    在缩略图或合成列表上按Enter：观看大图片；任务进行中按Esc键取消任务；"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "    Tab键在各控件间依次移动，空格键按下按钮，Enter键也可（[分解图片]、[合成图片]"),
    QT_TRANSLATE_NOOP("Orvelle", "只用空格键，以免误写文件）；右键单击[打开]：最近打开的TIFF文件。"),
    "",
    // What came after that text: PDF and pages kept as stored.
    QT_TRANSLATE_NOOP("Orvelle", "PDF与无损保存："),
    QT_TRANSLATE_NOOP("Orvelle",
                      "    [打开]也可打开扫描的PDF文件；保存格式另有“PDF格式”，每页存为一个PDF文件；"),
    QT_TRANSLATE_NOOP("Orvelle", "合成时把文件存为PDF文件(*.pdf)，即合成为一个PDF文件。"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "    预览列表的右键菜单另有一项“无损另存为TIFF”：把选中的这一页按原始数据存为"),
    QT_TRANSLATE_NOOP("Orvelle", "TIFF文件，不解码也不重新压缩；菜单第三项即“观看大图片”。"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "    图片合成页的“保持原始数据(无损)”：各页按原始数据合成，不重新压缩；不能照原样"),
    QT_TRANSLATE_NOOP("Orvelle", "保存的页面解码后无损写入。"),
    QT_TRANSLATE_NOOP("Orvelle",
                      "    合成为PDF文件时可选“生成可搜索PDF(文字识别)”：识别各页的文字，以不可见"),
    QT_TRANSLATE_NOOP("Orvelle", "文字覆盖在原样保留的图片上，PDF阅读器即可搜索、选取和复制这些文字。"),
};

HelpPage::HelpPage(QWidget* parent) : QWidget(parent) {
    setObjectName("TabSheet4");
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setGeometry(0, 0, kPageWidth, kPageHeight);
    RichEdit1->setReadOnly(true);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setFont(look::songFont(14));
    look::paintBackground(RichEdit1->viewport(), look::kCream);
    QString text;
    const int lines = static_cast<int>(std::size(kHelpLines));
    for (int i = 0; i < lines; ++i)
        text += QCoreApplication::translate("Orvelle", kHelpLines[i]) + (i + 1 < lines ? "\n" : "");
    RichEdit1->setPlainText(text);
}

}  // namespace orvelle
