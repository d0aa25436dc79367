// Draws the program's pictures: banner, side-bar and button pictures, icons and the about
// picture. Run by `make artwork`; the results are committed under resources/images/.
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QImageWriter>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QRadialGradient>

#include <cstdio>
#include <functional>

namespace {

const QColor kInk(32, 56, 96);
const QColor kSky(166, 202, 240);
const QColor kGold(250, 204, 72);
const QColor kPaper(252, 252, 248);

QFont songFont(int pixelSize, bool bold = false) {
    QFont font;
    font.setFamilies({"Noto Serif CJK SC", "Noto Sans CJK SC", "serif"});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A sheet of paper with a folded corner and a few text lines, in a w x h box at (x, y).
void drawPage(QPainter& p, QRectF box, const QColor& edge, bool lines = true) {
    const qreal fold = box.width() * 0.28;
    QPainterPath sheet;
    sheet.moveTo(box.left(), box.top());
    sheet.lineTo(box.right() - fold, box.top());
    sheet.lineTo(box.right(), box.top() + fold);
    sheet.lineTo(box.right(), box.bottom());
    sheet.lineTo(box.left(), box.bottom());
    sheet.closeSubpath();
    p.setPen(QPen(edge, std::max<qreal>(1.0, box.width() / 14)));
    p.setBrush(kPaper);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(box.right() - fold, box.top());
    corner.lineTo(box.right() - fold, box.top() + fold);
    corner.lineTo(box.right(), box.top() + fold);
    p.setBrush(edge.lighter(160));
    p.drawPath(corner);
    if (!lines) return;
    p.setPen(QPen(edge.lighter(130), std::max<qreal>(1.0, box.height() / 16)));
    for (int i = 0; i < 3; ++i) {
        const qreal y = box.top() + box.height() * (0.45 + 0.16 * i);
        p.drawLine(QPointF(box.left() + box.width() * 0.18, y),
                   QPointF(box.right() - box.width() * (i == 2 ? 0.4 : 0.18), y));
    }
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, qreal width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF wing1 = line, wing2 = line;
    wing1.setLength(width * 2.2);
    wing2.setLength(width * 2.2);
    wing1.setAngle(line.angle() + 35);
    wing2.setAngle(line.angle() - 35);
    p.drawLine(wing1);
    p.drawLine(wing2);
}

bool save(const QImage& image, const QString& path, const char* format = nullptr, int quality = -1) {
    QImageWriter writer(path, format);
    if (quality >= 0) writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage icon(int size, const std::function<void(QPainter&, qreal)>& draw) {
    QImage image = canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    return image;
}

// --- the pictures ------------------------------------------------------------------------------

void splitPicture(QPainter& p, qreal s) {
    drawPage(p, QRectF(s * 0.08, s * 0.1, s * 0.42, s * 0.56), kInk);
    drawPage(p, QRectF(s * 0.52, s * 0.36, s * 0.36, s * 0.5), QColor(40, 120, 70));
    arrow(p, QPointF(s * 0.36, s * 0.78), QPointF(s * 0.5, s * 0.64), kGold, s / 12);
}

void mergePicture(QPainter& p, qreal s) {
    drawPage(p, QRectF(s * 0.06, s * 0.08, s * 0.32, s * 0.42), QColor(40, 120, 70), false);
    drawPage(p, QRectF(s * 0.12, s * 0.5, s * 0.32, s * 0.42), QColor(150, 80, 40), false);
    drawPage(p, QRectF(s * 0.56, s * 0.22, s * 0.38, s * 0.56), kInk);
    arrow(p, QPointF(s * 0.4, s * 0.46), QPointF(s * 0.54, s * 0.5), kGold, s / 12);
}

void aboutPicture(QPainter& p, qreal s) {
    QRadialGradient g(QPointF(s * 0.4, s * 0.35), s * 0.6);
    g.setColorAt(0, QColor(120, 180, 255));
    g.setColorAt(1, QColor(30, 80, 170));
    p.setPen(QPen(QColor(230, 240, 255), s / 16));
    p.setBrush(g);
    p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(s * 0.45, s * 0.24, s * 0.1, s * 0.1));
    p.drawRoundedRect(QRectF(s * 0.45, s * 0.4, s * 0.1, s * 0.34), s * 0.03, s * 0.03);
}

void helpPicture(QPainter& p, qreal s) {
    p.setPen(QPen(QColor(90, 60, 20), s / 18));
    p.setBrush(QColor(255, 236, 170));
    p.drawRoundedRect(QRectF(s * 0.16, s * 0.08, s * 0.68, s * 0.84), s * 0.08, s * 0.08);
    p.setPen(QPen(QColor(40, 90, 160), s / 9, Qt::SolidLine, Qt::RoundCap));
    QPainterPath q;
    q.moveTo(s * 0.36, s * 0.36);
    q.cubicTo(s * 0.36, s * 0.2, s * 0.64, s * 0.2, s * 0.64, s * 0.36);
    q.cubicTo(s * 0.64, s * 0.48, s * 0.5, s * 0.48, s * 0.5, s * 0.6);
    p.setBrush(Qt::NoBrush);
    p.drawPath(q);
    p.drawPoint(QPointF(s * 0.5, s * 0.76));
}

void exitPicture(QPainter& p, qreal s) {
    p.setPen(QPen(QColor(200, 200, 200), s / 14));
    p.setBrush(QColor(70, 70, 80));
    p.drawRoundedRect(QRectF(s * 0.1, s * 0.1, s * 0.46, s * 0.8), s * 0.05, s * 0.05);
    p.setBrush(QColor(250, 204, 72));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(s * 0.42, s * 0.48, s * 0.07, s * 0.07));
    arrow(p, QPointF(s * 0.48, s * 0.5), QPointF(s * 0.9, s * 0.5), QColor(230, 80, 60), s / 10);
}

void folderPicture(QPainter& p, qreal s) {
    p.setPen(QPen(QColor(150, 100, 20), s / 16));
    p.setBrush(QColor(250, 200, 90));
    QPainterPath f;
    f.moveTo(s * 0.06, s * 0.22);
    f.lineTo(s * 0.38, s * 0.22);
    f.lineTo(s * 0.46, s * 0.32);
    f.lineTo(s * 0.94, s * 0.32);
    f.lineTo(s * 0.94, s * 0.84);
    f.lineTo(s * 0.06, s * 0.84);
    f.closeSubpath();
    p.drawPath(f);
}

void plusMinus(QPainter& p, qreal s, bool plus, const QColor& colour) {
    drawPage(p, QRectF(s * 0.08, s * 0.06, s * 0.56, s * 0.76), kInk, false);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(s * 0.44, s * 0.44, s * 0.52, s * 0.52));
    p.setPen(QPen(Qt::white, s / 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.57, s * 0.7), QPointF(s * 0.83, s * 0.7));
    if (plus) p.drawLine(QPointF(s * 0.7, s * 0.57), QPointF(s * 0.7, s * 0.83));
}

void upDown(QPainter& p, qreal s, bool up) {
    const QColor colour(40, 120, 200);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPainterPath t;
    const qreal tip = up ? s * 0.12 : s * 0.88, base = up ? s * 0.56 : s * 0.44;
    t.moveTo(s * 0.5, tip);
    t.lineTo(s * 0.88, base);
    t.lineTo(s * 0.12, base);
    t.closeSubpath();
    p.drawPath(t);
    p.drawRect(QRectF(s * 0.36, up ? base : s * 0.12, s * 0.28, up ? s * 0.88 - base : base - s * 0.12));
}

void clearPicture(QPainter& p, qreal s) {
    p.setPen(QPen(QColor(120, 120, 130), s / 14));
    p.setBrush(QColor(225, 228, 235));
    p.drawRoundedRect(QRectF(s * 0.2, s * 0.28, s * 0.6, s * 0.64), s * 0.06, s * 0.06);
    p.drawRect(QRectF(s * 0.12, s * 0.14, s * 0.76, s * 0.12));
    p.setPen(QPen(QColor(200, 60, 50), s / 9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.36, s * 0.44), QPointF(s * 0.64, s * 0.76));
    p.drawLine(QPointF(s * 0.64, s * 0.44), QPointF(s * 0.36, s * 0.76));
}

void filePicture(QPainter& p, qreal s) {
    drawPage(p, QRectF(s * 0.16, s * 0.06, s * 0.62, s * 0.86), kInk);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 120, 70));
    p.drawRect(QRectF(s * 0.5, s * 0.62, s * 0.4, s * 0.3));
}

void savePicture(QPainter& p, qreal s) {
    p.setPen(QPen(QColor(30, 60, 120), s / 16));
    p.setBrush(QColor(60, 110, 190));
    p.drawRoundedRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8), s * 0.06, s * 0.06);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.24, s * 0.16, s * 0.52, s * 0.3));
    p.setBrush(QColor(200, 210, 225));
    p.drawRect(QRectF(s * 0.3, s * 0.6, s * 0.4, s * 0.26));
}

void cancelPicture(QPainter& p, qreal s) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 60, 50));
    p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
    p.setPen(QPen(Qt::white, s / 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.34, s * 0.34), QPointF(s * 0.66, s * 0.66));
    p.drawLine(QPointF(s * 0.66, s * 0.34), QPointF(s * 0.34, s * 0.66));
}

void openPicture(QPainter& p, qreal s) {
    folderPicture(p, s);
    drawPage(p, QRectF(s * 0.3, s * 0.06, s * 0.44, s * 0.5), kInk, false);
}

void programIcon(QPainter& p, qreal s) {
    QLinearGradient g(0, 0, s, s);
    g.setColorAt(0, QColor(40, 90, 170));
    g.setColorAt(1, QColor(20, 40, 90));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    drawPage(p, QRectF(s * 0.14, s * 0.16, s * 0.4, s * 0.56), QColor(180, 200, 230), false);
    drawPage(p, QRectF(s * 0.44, s * 0.3, s * 0.4, s * 0.56), kGold, s >= 32);
}

void versionPicture(QPainter& p, qreal s) {
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 ? 0.22 : 0.48) * s, a = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(s / 2 + r * std::cos(a), s / 2 + r * std::sin(a));
        if (i == 0) star.moveTo(point);
        else star.lineTo(point);
    }
    star.closeSubpath();
    p.drawPath(star);
}

QImage opaque(const QImage& image, const QColor& background) {
    QImage out(image.size(), QImage::Format_RGB888);
    out.fill(background);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

// The words drawn into the banner and the about picture, in one of the window's languages.
struct PictureWords {
    QString subtitle;
    QString motto;
    QString link;
};

QImage banner(const PictureWords& words) {
    QImage image(788, 63, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 788, 0);
    g.setColorAt(0, QColor(16, 36, 74));
    g.setColorAt(0.55, QColor(38, 88, 160));
    g.setColorAt(1, kSky);
    p.fillRect(image.rect(), g);
    // Faint stacked pages across the right half.
    for (int i = 0; i < 7; ++i) {
        p.setOpacity(0.10 + 0.03 * i);
        drawPage(p, QRectF(470 + i * 42, 8 + (i % 2) * 6, 30, 40), Qt::white, false);
    }
    p.setOpacity(1);
    QImage mark = icon(44, programIcon);
    p.drawImage(14, 9, mark);
    p.setPen(Qt::white);
    p.setFont(songFont(30, true));
    p.drawText(QRect(70, 4, 300, 40), Qt::AlignLeft | Qt::AlignVCenter, "Orvelle");
    p.setFont(songFont(14));
    p.setPen(QColor(220, 232, 250));
    p.drawText(QRect(72, 40, 420, 20), Qt::AlignLeft | Qt::AlignVCenter, words.subtitle);
    p.setPen(kGold);
    p.drawText(QRect(206, 10, 200, 30), Qt::AlignLeft | Qt::AlignVCenter, "Ver 1.0");
    return image;
}

QImage aboutImage(const PictureWords& words) {
    QImage image(609, 415, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 415);
    g.setColorAt(0, QColor(22, 48, 96));
    g.setColorAt(1, QColor(70, 130, 200));
    p.fillRect(image.rect(), g);
    // A fan of pages: one document becoming many, and back.
    for (int i = 0; i < 5; ++i) {
        p.save();
        p.translate(150, 250);
        p.rotate(-24 + i * 12);
        drawPage(p, QRectF(-45, -150, 90, 120), QColor(60, 100, 170).lighter(100 + i * 15));
        p.restore();
    }
    drawPage(p, QRectF(390, 150, 120, 160), kInk);
    arrow(p, QPointF(270, 230), QPointF(370, 230), kGold, 8);
    p.setPen(Qt::white);
    p.setFont(songFont(40, true));
    p.drawText(QRect(300, 40, 290, 60), Qt::AlignRight | Qt::AlignVCenter, "Orvelle");
    p.setFont(songFont(18));
    p.setPen(QColor(220, 232, 250));
    p.drawText(QRect(240, 100, 350, 30), Qt::AlignRight | Qt::AlignVCenter, words.subtitle);
    p.setFont(songFont(14));
    p.drawText(QRect(220, 330, 370, 24), Qt::AlignRight | Qt::AlignVCenter, words.motto);
    p.setPen(kGold);
    p.drawText(QRect(420, 385, 180, 24), Qt::AlignRight | Qt::AlignVCenter, words.link);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("resources/images");
    bool ok = true;
    const PictureWords chinese{"多页TIFF图片分解与合成工具",
                               "分解 · 合成 · 预览 — 为扫描与传真文档而作", "访问主页 ›"};
    const PictureWords english{"Multi-page TIFF splitter and merger",
                               "Split · merge · view — for scans and faxes",
                               "Visit the home page ›"};
    ok &= save(banner(chinese), out + "/banner.bmp", "bmp");
    ok &= save(aboutImage(chinese), out + "/about.jpg", "jpg", 90);
    ok &= save(banner(english), out + "/banner_en.bmp", "bmp");
    ok &= save(aboutImage(english), out + "/about_en.jpg", "jpg", 90);
    const std::pair<const char*, std::function<void(QPainter&, qreal)>> side[] = {
        {"split", splitPicture}, {"merge", mergePicture}, {"about", aboutPicture},
        {"help", helpPicture},   {"exit", exitPicture}};
    // Each button picture also at twice its size, "name@2x.png", which Qt takes on screens
    // scaled by 2 or more.
    const auto saveBoth = [&](int size, const std::function<void(QPainter&, qreal)>& draw,
                              const QString& name) {
        return save(icon(size, draw), out + "/" + name + ".png") &&
               save(icon(2 * size, draw), out + "/" + name + "@2x.png");
    };
    for (const auto& [name, draw] : side) ok &= saveBoth(32, draw, QString("side_") + name);
    ok &= saveBoth(32, splitPicture, "run_split");
    ok &= saveBoth(32, mergePicture, "run_merge");
    const std::pair<const char*, std::function<void(QPainter&, qreal)>> buttons[] = {
        {"open", openPicture},
        {"folder", folderPicture},
        {"add", [](QPainter& p, qreal s) { plusMinus(p, s, true, QColor(40, 150, 70)); }},
        {"remove", [](QPainter& p, qreal s) { plusMinus(p, s, false, QColor(200, 60, 50)); }},
        {"up", [](QPainter& p, qreal s) { upDown(p, s, true); }},
        {"down", [](QPainter& p, qreal s) { upDown(p, s, false); }},
        {"clear", clearPicture},
        {"file", filePicture},
        {"save", savePicture},
        {"cancel", cancelPicture}};
    for (const auto& [name, draw] : buttons) ok &= saveBoth(16, draw, QString("button_") + name);
    ok &= save(opaque(icon(16, programIcon), kSky), out + "/orvelle-16.png");
    ok &= save(opaque(icon(32, programIcon), kSky), out + "/orvelle-32.png");
    ok &= save(icon(128, programIcon), out + "/orvelle-128.png");
    ok &= save(icon(16, versionPicture), out + "/version.png");
    return ok ? 0 : 1;
}
