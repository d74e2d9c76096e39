#include "artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace artwork {
namespace {

// Colours of an image, taken from the palette: black, grey, silver and white of a
// drawing become the desktop's button colours.
struct Colours {
    QColor text, shadow, face, light, accent, good, busy;
    explicit Colours(const QPalette& p)
        : text(p.color(QPalette::Active, QPalette::ButtonText)),
          shadow(p.color(QPalette::Active, QPalette::Dark)),
          face(p.color(QPalette::Active, QPalette::Button)),
          light(p.color(QPalette::Active, QPalette::Light)),
          accent(p.color(QPalette::Active, QPalette::Highlight)),
          good(QColor(46, 160, 67)),
          busy(QColor(222, 150, 20)) {}
};

// Every image is drawn in a 24 x 24 design box scaled into the requested size.
class Canvas {
public:
    Canvas(QSize size) : pixmap_(size) {
        pixmap_.fill(Qt::transparent);
        painter_.begin(&pixmap_);
        painter_.setRenderHint(QPainter::Antialiasing);
        const qreal side = std::min(size.width(), size.height());
        painter_.translate((size.width() - side) / 2.0, (size.height() - side) / 2.0);
        painter_.scale(side / 24.0, side / 24.0);
    }
    QPainter& p() { return painter_; }
    QPixmap finish() {
        painter_.end();
        return pixmap_;
    }

private:
    QPixmap pixmap_;
    QPainter painter_;
};

QPen pen(const QColor& c, qreal width = 1.5) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal width = 2.5) {
    p.setPen(pen(c, width));
    p.drawLine(from, to);
    QLineF line(to, from);
    QLineF wing1 = line;
    wing1.setLength(5);
    wing1.setAngle(line.angle() + 35);
    QLineF wing2 = line;
    wing2.setLength(5);
    wing2.setAngle(line.angle() - 35);
    p.drawLine(wing1);
    p.drawLine(wing2);
}

void computer(QPainter& p, const Colours& c) {
    p.setPen(pen(c.text));
    p.setBrush(c.face);
    p.drawRoundedRect(QRectF(2.5, 3.5, 19, 13), 1.5, 1.5);
    p.setBrush(c.accent);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(4.5, 5.5, 15, 9));
    p.setPen(pen(c.text));
    p.drawLine(QPointF(12, 16.5), QPointF(12, 19.5));
    p.drawLine(QPointF(7, 20.5), QPointF(17, 20.5));
}

void server(QPainter& p, const Colours& c) {
    for (int i = 0; i < 3; ++i) {
        QRectF bay(4.5, 2.5 + i * 6.5, 15, 5.5);
        p.setPen(pen(c.text));
        p.setBrush(c.face);
        p.drawRoundedRect(bay, 1, 1);
        p.setPen(Qt::NoPen);
        p.setBrush(c.good);
        p.drawEllipse(QPointF(7.5, bay.center().y()), 1, 1);
        p.setPen(pen(c.shadow, 1));
        p.drawLine(QPointF(11, bay.center().y()), QPointF(17, bay.center().y()));
    }
}

void padlock(QPainter& p, const Colours& c, bool locked) {
    p.setPen(pen(c.text, 2));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    const qreal right = locked ? 16 : 21;
    const qreal left = locked ? 8 : 13;
    shackle.moveTo(left, locked ? 11 : 8);
    shackle.lineTo(left, 7);
    shackle.arcTo(QRectF(left, 2.5, right - left, 8), 180, -180);
    shackle.lineTo(right, locked ? 11 : 9);
    p.drawPath(shackle);
    p.setPen(pen(c.text));
    p.setBrush(locked ? c.busy : c.face);
    p.drawRoundedRect(QRectF(5, 11, 14, 10), 1.5, 1.5);
    p.setBrush(c.text);
    p.drawEllipse(QPointF(12, 15.5), 1.3, 1.3);
}

// Two plug halves that come together as the connection is made.
void connection(QPainter& p, const Colours& c, int state) {
    const qreal gap = state == 3 ? 0 : state == 0 ? 6 : state == 1 ? 4 : 2;
    const QColor body = state == 3 ? c.good : state == 0 ? c.shadow : c.busy;
    p.setPen(pen(c.text));
    p.setBrush(body);
    const qreal mid = 12;
    p.drawRoundedRect(QRectF(mid - gap / 2 - 7, 8, 7, 8), 1.5, 1.5);
    p.drawRoundedRect(QRectF(mid + gap / 2, 8, 7, 8), 1.5, 1.5);
    p.setPen(pen(c.text, 1.5));
    p.drawLine(QPointF(mid - gap / 2 - 7, 12), QPointF(1.5, 12));
    p.drawLine(QPointF(mid + gap / 2 + 7, 12), QPointF(22.5, 12));
    if (state != 3) {
        p.drawLine(QPointF(mid + gap / 2, 10), QPointF(mid + gap / 2 - 2, 10));
        p.drawLine(QPointF(mid + gap / 2, 14), QPointF(mid + gap / 2 - 2, 14));
    }
}

void folderUp(QPainter& p, const Colours& c) {
    p.setPen(pen(c.text));
    p.setBrush(c.busy.lighter(130));
    QPainterPath folder;
    folder.moveTo(2.5, 6);
    folder.lineTo(9, 6);
    folder.lineTo(11, 8);
    folder.lineTo(21.5, 8);
    folder.lineTo(21.5, 20);
    folder.lineTo(2.5, 20);
    folder.closeSubpath();
    p.drawPath(folder);
    arrow(p, QPointF(12, 18), QPointF(12, 10.5), c.text, 2);
}

void drive(QPainter& p, const Colours& c, int kind) {
    p.setPen(pen(c.text));
    if (kind == OpticalDrive) {
        p.setBrush(c.light);
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.setBrush(c.face);
        p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
        return;
    }
    p.setBrush(c.face);
    p.drawRoundedRect(QRectF(2.5, 8.5, 19, 8), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(c.good);
    p.drawEllipse(QPointF(18, 12.5), 1.2, 1.2);
    p.setPen(pen(c.text));
    if (kind == NetworkDrive) {
        p.drawLine(QPointF(12, 16.5), QPointF(12, 20.5));
        p.drawLine(QPointF(5, 20.5), QPointF(19, 20.5));
    } else if (kind == RemovableDrive) {
        p.drawLine(QPointF(5, 12.5), QPointF(13, 12.5));
    }
}

void viewMode(QPainter& p, const Colours& c, int id) {
    p.setPen(Qt::NoPen);
    p.setBrush(c.text);
    if (id == SmallIconsView) {
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 2; ++col)
                p.drawRect(QRectF(4 + col * 9, 5 + row * 8, 6, 5));
        return;
    }
    for (int row = 0; row < 4; ++row) {
        const qreal y = 4.5 + row * 4.5;
        p.drawRect(QRectF(3, y, 3, 3));
        p.drawRect(QRectF(8, y + 1, id == DetailsView ? 6 : 12, 1.2));
        if (id == DetailsView) p.drawRect(QRectF(16, y + 1, 5, 1.2));
    }
}

void helpMark(QPainter& p, const Colours& c) {
    p.setPen(pen(c.accent, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    QFont font = p.font();
    font.setPixelSize(14);
    font.setBold(true);
    p.setFont(font);
    p.setPen(c.accent);
    p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
}

void closeMark(QPainter& p, const Colours& c) {
    p.setPen(pen(c.text, 1.5));
    p.setBrush(c.face);
    p.drawRect(QRectF(4.5, 3.5, 10, 17));
    arrow(p, QPointF(10, 12), QPointF(21, 12), QColor(200, 40, 40), 2);
}

void deleteWarning(QPainter& p, const Colours& c) {
    QPainterPath triangle;
    triangle.moveTo(12, 2.5);
    triangle.lineTo(22, 20.5);
    triangle.lineTo(2, 20.5);
    triangle.closeSubpath();
    p.setPen(pen(c.text));
    p.setBrush(c.busy);
    p.drawPath(triangle);
    p.setPen(pen(c.text, 2.2));
    p.drawLine(QPointF(12, 8.5), QPointF(12, 14));
    p.drawPoint(QPointF(12, 17.5));
}

void programIcon(QPainter& p, const Colours& c) {
    computer(p, c);
    p.save();
    p.translate(10, 8);
    p.scale(0.55, 0.55);
    server(p, c);
    p.restore();
    arrow(p, QPointF(6, 10), QPointF(12, 10), c.light, 2);
}

}  // namespace

QPixmap image(int id, const QPalette& palette, QSize size) {
    const Colours c(palette);
    Canvas canvas(size);
    QPainter& p = canvas.p();
    switch (id) {
        case ProgramIcon:
            programIcon(p, c);
            break;
        case Computer:
            computer(p, c);
            break;
        case Server:
            server(p, c);
            break;
        case Locked:
            padlock(p, c, true);
            break;
        case Unlocked:
            padlock(p, c, false);
            break;
        case ConnectionIdle:
        case ConnectionIdle + 1:
        case ConnectionIdle + 2:
        case ConnectionConnected:
            connection(p, c, id - ConnectionIdle);
            break;
        case UpFolder:
            folderUp(p, c);
            break;
        case UploadArrow:
            arrow(p, QPointF(3, 12), QPointF(21, 12), c.accent, 3);
            break;
        case DownloadArrow:
            arrow(p, QPointF(21, 12), QPointF(3, 12), c.accent, 3);
            break;
        case FixedDrive:
        case NetworkDrive:
        case OpticalDrive:
        case RemovableDrive:
            drive(p, c, id);
            break;
        case DetailsView:
        case ListView:
        case SmallIconsView:
            viewMode(p, c, id);
            break;
        case CloseProgram:
            closeMark(p, c);
            break;
        case Help:
            helpMark(p, c);
            break;
        case DeleteWarning:
            deleteWarning(p, c);
            break;
        default:
            break;
    }
    return canvas.finish();
}

QPixmap buttonImage(const QString& name, const QPalette& palette, QSize size,
                    const QString& caption, const QString& fitToo) {
    const QChar state = name.isEmpty() ? QChar('U') : name.back();
    const QString base = name.left(name.size() - 1);
    QPalette colours = palette;
    if (state == 'X') {
        // Disabled: the whole image in the shadow colour, as etched images are.
        for (auto role : {QPalette::ButtonText, QPalette::Highlight})
            colours.setColor(QPalette::Active, role,
                             palette.color(QPalette::Disabled, QPalette::ButtonText));
    }
    const Colours c(colours);

    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (state == 'D') p.translate(1, 1);

    // Wide buttons put the picture left of the caption, tall ones above it.
    const bool tall = size.height() > size.width() * 0.8;
    const int side = tall ? std::min(size.width() - 4, size.height() * 11 / 20)
                          : std::min(size.height() - 6, 24);
    QRect picture = tall ? QRect((size.width() - side) / 2, 3, side, side)
                         : QRect(5, (size.height() - side) / 2, side, side);
    QRect text =
        tall ? QRect(0, picture.bottom() + 1, size.width(), size.height() - picture.bottom() - 3)
             : QRect(picture.right() + 4, 0, size.width() - picture.right() - 8, size.height());

    Canvas canvas(picture.size());
    QPainter& cp = canvas.p();
    if (base == "CONNECT") {
        connection(cp, c, 0);
    } else if (base == "DISCONNECT") {
        connection(cp, c, 3);
    } else if (base == "UPLOAD") {
        // The local pane is on the left, the server on the right.
        arrow(cp, QPointF(3, 12), QPointF(21, 12), c.accent, 3.5);
    } else if (base == "DOWNLOAD") {
        arrow(cp, QPointF(21, 12), QPointF(3, 12), c.accent, 3.5);
    } else if (base == "OPTION") {
        cp.setPen(pen(c.text));
        cp.setBrush(c.face);
        cp.drawRoundedRect(QRectF(3.5, 3.5, 17, 17), 2, 2);
        for (int i = 0; i < 3; ++i) {
            const qreal y = 8 + i * 4;
            cp.drawLine(QPointF(7, y), QPointF(17, y));
            cp.setBrush(c.accent);
            cp.drawEllipse(QPointF(i == 1 ? 14 : 9, y), 1.6, 1.6);
            cp.setBrush(c.face);
        }
    }
    p.drawPixmap(picture.topLeft(), canvas.finish());

    if (!caption.isEmpty()) {
        // A caption longer than its room is drawn in a smaller font, never cut.
        QFont font = p.font();
        auto widest = [&] {
            const QFontMetrics metrics(font);
            return std::max(metrics.horizontalAdvance(caption), metrics.horizontalAdvance(fitToo));
        };
        while (widest() > text.width() - 2 && font.pointSizeF() > 6)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        p.setFont(font);
        p.setPen(c.text);
        p.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, caption);
    }
    if (state == 'F') {
        QPen dotted(c.text, 1, Qt::DotLine);
        p.setPen(dotted);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(2.5, 2.5, size.width() - 5, size.height() - 5));
    }
    return pixmap;
}

}  // namespace artwork
