#include "ui/artwork.h"

#include "ui/colours.h"

#include <QFont>
#include <QIconEngine>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <map>
#include <vector>

namespace plimo {
namespace {

// An image of the given logical size at the given density, so that painting on it uses logical pixels.
QImage blankImage(QSizeF logical, qreal dpr, const QColor& ground = Qt::transparent) {
    QImage image(qCeil(logical.width() * dpr), qCeil(logical.height() * dpr), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(ground);
    return image;
}

void prepare(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(Qt::NoPen);
}

struct Joint {
    qreal x;
    qreal y;
    qreal width;
};

// Positive for a piece that runs clockwise on screen (y down), negative the other way round.
qreal signedArea(const QPainterPath& piece) {
    const QPolygonF outline = piece.toFillPolygon();
    qreal twice = 0;
    for (qsizetype i = 0; i < outline.size(); ++i) {
        const QPointF& a = outline[i];
        const QPointF& b = outline[(i + 1) % outline.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return twice / 2;
}

// A leg or a tail: a smooth curve through the joints (Catmull-Rom), its width easing from joint to joint. It is
// built from short overlapping pieces in one path, filled at once (a fill has a fixed cost far above its pixels'
// at icon sizes); every piece runs the same way round, so that where two overlap their windings add up.
void addLimb(std::vector<QPainterPath>& pieces, std::initializer_list<Joint> joints, qreal weight) {
    const std::vector<Joint> given(joints);
    const auto at = [&](std::ptrdiff_t i) {
        return given[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, std::ssize(given) - 1))];
    };
    constexpr int kSteps = 8;
    std::vector<Joint> samples;
    for (std::ptrdiff_t i = 0; i + 1 < std::ssize(given); ++i) {
        const Joint p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
        for (int step = 0; step < kSteps; ++step) {
            const qreal t = qreal(step) / kSteps;
            const qreal t2 = t * t, t3 = t2 * t;
            const auto spline = [&](qreal a, qreal b, qreal c, qreal d) {
                return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
            };
            samples.push_back(
                {spline(p0.x, p1.x, p2.x, p3.x), spline(p0.y, p1.y, p2.y, p3.y), p1.width + (p2.width - p1.width) * t});
        }
    }
    samples.push_back(given.back());

    QPainterPath limb;
    limb.setFillRule(Qt::WindingFill);
    const auto add = [&limb](const QPainterPath& piece) {
        limb.addPath(signedArea(piece) < 0 ? piece.toReversed() : piece);
    };
    const Joint* previous = nullptr;
    for (const Joint& joint : samples) {
        const qreal radius = joint.width * weight / 2;
        QPainterPath knob;
        knob.addEllipse(QPointF(joint.x, joint.y), radius, radius);
        add(knob);
        if (previous != nullptr) {
            const QPointF from(previous->x, previous->y);
            const QPointF to(joint.x, joint.y);
            const QPointF along = to - from;
            const qreal length = std::hypot(along.x(), along.y());
            if (length > 0) {
                const QPointF normal(-along.y() / length, along.x() / length);
                const qreal fromRadius = previous->width * weight / 2;
                QPainterPath segment;
                segment.addPolygon(QPolygonF{from + normal * fromRadius, to + normal * radius, to - normal * radius,
                                             from - normal * fromRadius});
                segment.closeSubpath();
                add(segment);
            }
        }
        previous = &joint;
    }
    pieces.push_back(limb);
}

// The dog in its own design space (about 116 × 72 units), facing right, in the stretched phase of a gallop:
// front legs reaching forward, hind legs pushing back, tail streaming, ear pricked. `weight` thickens the legs
// and the tail for small sizes, where thin limbs would fade into single grey pixels.
std::vector<QPainterPath> dogPieces(qreal weight, bool allFourLegs) {
    std::vector<QPainterPath> pieces;

    QPainterPath body;
    body.moveTo(72, 31);
    body.cubicTo(60, 24, 42, 23, 28, 29);         // back
    body.cubicTo(20, 32, 16, 42, 21, 50);         // croup and buttock
    body.cubicTo(30, 53, 40, 48, 52, 48);         // tucked loin
    body.cubicTo(60, 49, 64, 58, 72, 58);         // deep chest
    body.cubicTo(81, 58, 86, 51, 86, 43);         // brisket
    body.cubicTo(87, 37, 90, 31, 96, 27);         // throat
    body.cubicTo(100, 25, 106, 24, 111, 23);      // jaw
    body.cubicTo(114, 22.5, 116, 21, 115, 19);    // nose
    body.cubicTo(113, 16.5, 105, 14, 100, 12.5);  // muzzle
    body.cubicTo(97, 9, 92, 8.5, 88, 10);         // skull
    body.cubicTo(83, 13, 78, 22, 72, 31);         // crest of the neck
    body.closeSubpath();
    pieces.push_back(body);

    QPainterPath ear;
    ear.moveTo(88.5, 11);
    ear.cubicTo(87, 7, 86, 4, 85.5, 0.5);
    ear.cubicTo(90, 2.5, 94, 5.5, 95.5, 9.5);
    ear.closeSubpath();
    pieces.push_back(ear);

    if (allFourLegs) {
        addLimb(pieces, {{72, 50, 11}, {77, 62, 7}, {90, 69, 5.2}, {98, 72, 4.8}}, weight);  // far foreleg
        addLimb(pieces, {{36, 44, 13}, {32, 58, 8}, {20, 63, 5.5}, {11, 70, 5}}, weight);    // far hind leg
    }
    addLimb(pieces, {{77, 46, 13}, {85, 57, 8}, {100, 61, 5.5}, {108, 64, 5}}, weight);                // near foreleg
    addLimb(pieces, {{30, 40, 18}, {24, 54, 10}, {12, 56, 6}, {2, 61, 5}}, weight);                    // near hind leg
    addLimb(pieces, {{28, 30, 6}, {19, 28, 4.6}, {11, 26, 3.6}, {5, 22, 2.8}, {1, 17, 2.2}}, weight);  // tail
    return pieces;
}

QRectF boundsOf(const std::vector<QPainterPath>& pieces) {
    QRectF bounds;
    for (const QPainterPath& piece : pieces) {
        bounds = bounds.united(piece.boundingRect());
    }
    return bounds;
}

// Paints the dog as large as fits in `target`, centred, with `brush` given in the dog's design space.
void paintDog(QPainter& painter, const QRectF& target, const QBrush& brush, qreal devicePixels) {
    // At tray sizes the far legs would merge with the near ones into a blob: two sturdier legs read better.
    const bool small = devicePixels <= 24;
    const qreal weight = devicePixels <= 16 ? 1.5 : small ? 1.3 : devicePixels <= 32 ? 1.15 : 1.0;
    const std::vector<QPainterPath> pieces = dogPieces(weight, !small);
    const QRectF bounds = boundsOf(pieces);
    const qreal scale = std::min(target.width() / bounds.width(), target.height() / bounds.height());
    painter.save();
    painter.translate(target.center());
    painter.scale(scale, scale);
    painter.translate(-bounds.center());
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    for (const QPainterPath& piece : pieces) {
        painter.drawPath(piece);
    }
    if (devicePixels >= 48) {
        // The eye, cut out of the silhouette, once it can be more than a smudge.
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.drawEllipse(QPointF(99, 14.6), 1.3, 1.1);
    }
    painter.restore();
}

QLinearGradient verticalGradient(qreal top, qreal bottom, const QColor& upper, const QColor& lower) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, upper);
    gradient.setColorAt(1, lower);
    return gradient;
}

// A bare right foot's print, toes up: the sole with its inner arch, and three toes. About 7 × 15 units around
// the origin.
QPainterPath rightFootprint() {
    QPainterPath print;
    print.moveTo(-2.6, -3.5);
    print.cubicTo(-1.5, -5.2, 2.2, -5.0, 3.0, -3.0);  // ball
    print.cubicTo(3.6, -1.2, 3.0, 1.5, 2.4, 3.4);     // outer edge
    print.cubicTo(2.0, 5.0, 1.6, 7.0, 0, 7.0);        // heel
    print.cubicTo(-1.8, 7.0, -2.2, 5.2, -1.9, 3.6);
    print.cubicTo(-1.6, 2.2, -0.9, 1.2, -1.3, -0.2);  // arch
    print.cubicTo(-1.7, -1.5, -3.3, -2.3, -2.6, -3.5);
    print.closeSubpath();
    print.addEllipse(QPointF(-1.7, -6.4), 1.3, 1.4);
    print.addEllipse(QPointF(0.6, -6.7), 0.9, 0.95);
    print.addEllipse(QPointF(2.3, -5.9), 0.8, 0.85);
    return print;
}

void addPerson(QPainterPath& path, QPointF head, qreal headRadius, qreal shoulderTop, qreal halfWidth, qreal bottom) {
    path.addEllipse(head, headRadius, headRadius);
    const qreal x = head.x();
    QPainterPath bust;
    bust.moveTo(x - halfWidth, bottom);
    bust.lineTo(x - halfWidth, shoulderTop + halfWidth * 0.55);
    bust.cubicTo(x - halfWidth, shoulderTop + 1, x - halfWidth * 0.55, shoulderTop, x, shoulderTop);
    bust.cubicTo(x + halfWidth * 0.55, shoulderTop, x + halfWidth, shoulderTop + 1, x + halfWidth,
                 shoulderTop + halfWidth * 0.55);
    bust.lineTo(x + halfWidth, bottom);
    bust.closeSubpath();
    path.addPath(bust);
}

QPixmap toPixmap(const QImage& image) {
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(image.devicePixelRatio());
    return pixmap;
}

// A transparent picture of the given logical size, painted by draw at the given density.
template <typename Draw>
QPixmap drawn(QSizeF logical, qreal devicePixelRatio, Draw draw) {
    QImage image = blankImage(logical, devicePixelRatio);
    QPainter painter(&image);
    prepare(painter);
    draw(painter);
    painter.end();
    return toPixmap(image);
}

}  // namespace

QPixmap programIconPixmap(int size, qreal devicePixelRatio) {
    return drawn(QSizeF(size, size), devicePixelRatio, [&](QPainter& painter) {
        // A one-pixel margin keeps the muzzle and the tail off the edge of the tray cell.
        const qreal margin = std::max<qreal>(0.5, size / 32.0);
        const QRectF target(margin, margin, size - 2 * margin, size - 2 * margin);
        paintDog(painter, target, verticalGradient(0, 72, QColor(255, 84, 66), QColor(196, 18, 26)),
                 size * devicePixelRatio);
    });
}

namespace {

// Draws the dog at whatever size is asked for, so the icon is sharp at any density, and only the sizes that
// are shown are ever drawn.
class DogIconEngine final : public QIconEngine {
public:
    // Offers the sizes up to `largestOffered`; any other size is still drawn when asked for.
    explicit DogIconEngine(int largestOffered) : m_largestOffered(largestOffered) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal dpr = painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1.0;
        const int side = std::min(rect.width(), rect.height());
        QPixmap square = pixmap(QSize(side, side) * dpr, mode, state);
        square.setDevicePixelRatio(dpr);
        painter->drawPixmap(QPointF(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0),
                            square);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
        if (size.isEmpty()) {
            return {};
        }
        const int side = std::min(size.width(), size.height());
        const QPixmap square = squarePixmap(side);
        if (size.width() == size.height()) {
            return square;
        }
        QPixmap framed(size);
        framed.fill(Qt::transparent);
        QPainter painter(&framed);
        painter.drawPixmap((size.width() - side) / 2, (size.height() - side) / 2, square);
        return framed;
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (int side : kIconSizes) {
            if (side <= m_largestOffered) {
                sizes.append(QSize(side, side));
            }
        }
        return sizes;
    }

    QIconEngine* clone() const override { return new DogIconEngine(*this); }
    QString key() const override { return QStringLiteral("plimo-dog"); }

private:
    // The tray and the taskbar repaint their sizes often, so those are kept. The large ones are asked for once,
    // when a window hands its icon to the window manager, and would otherwise stay in memory for the whole run.
    QPixmap squarePixmap(int side) {
        if (side > kLargestKeptSize) {
            return programIconPixmap(side);
        }
        auto cached = m_cache.find(side);
        if (cached == m_cache.end()) {
            cached = m_cache.emplace(side, programIconPixmap(side)).first;
        }
        return cached->second;
    }

    static constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
    static constexpr int kLargestKeptSize = 64;
    int m_largestOffered;
    std::map<int, QPixmap> m_cache;
};

}  // namespace

QIcon programWindowIcon() {
    return QIcon(new DogIconEngine(64));
}

QPixmap viewsMark(qreal devicePixelRatio) {
    return drawn(QSizeF(24, 23), devicePixelRatio, [](QPainter& painter) {
        painter.setBrush(verticalGradient(0, 23, QColor(184, 170, 255), QColor(122, 100, 255)));
        const QPainterPath print = rightFootprint();
        painter.save();
        painter.translate(7, 14.5);
        painter.rotate(-10);
        painter.scale(-1, 1);
        painter.drawPath(print);
        painter.restore();
        painter.save();
        painter.translate(17, 8.5);
        painter.rotate(10);
        painter.drawPath(print);
        painter.restore();
    });
}

QPixmap visitorsMark(qreal devicePixelRatio) {
    return drawn(QSizeF(26, 23), devicePixelRatio, [](QPainter& painter) {
        QPainterPath behind;
        addPerson(behind, QPointF(17.5, 5.2), 3.7, 10.5, 7, 19);
        painter.setBrush(verticalGradient(0, 19, QColor(88, 150, 255), QColor(36, 92, 226)));
        painter.drawPath(behind);

        QPainterPath front;
        addPerson(front, QPointF(9.5, 9.0), 4.0, 14.5, 8, 23);
        // A thin gap around the front figure keeps the two apart on any background.
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.setPen(QPen(Qt::black, 2.2));
        painter.setBrush(Qt::black);
        painter.drawPath(front);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(Qt::NoPen);
        painter.setBrush(verticalGradient(4, 23, QColor(246, 250, 255), QColor(196, 214, 240)));
        painter.drawPath(front);
    });
}

QPixmap hideGlyph(qreal devicePixelRatio) {
    return drawn(QSizeF(11, 6), devicePixelRatio, [](QPainter& painter) {
        painter.setBrush(QColor(40, 110, 255));
        painter.drawPolygon(QPolygonF{{0, 0}, {11, 0}, {5.5, 6}});
        painter.setBrush(QColor(160, 80, 255));
        painter.drawPolygon(QPolygonF{{2.6, 1.2}, {8.4, 1.2}, {5.5, 4.3}});
    });
}

QPixmap staleMark(qreal devicePixelRatio) {
    return drawn(QSizeF(8, 8), devicePixelRatio, [](QPainter& painter) {
        painter.setBrush(QColor(160, 160, 160));
        painter.drawEllipse(QRectF(0, 0, 8, 8));
        painter.setPen(QPen(QColor(60, 60, 60), 1.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(4, 4), QPointF(4, 1.6));
        painter.drawLine(QPointF(4, 4), QPointF(5.8, 4));
    });
}

QPixmap failureMark(qreal devicePixelRatio) {
    return drawn(QSizeF(8, 8), devicePixelRatio, [](QPainter& painter) {
        painter.setBrush(QColor(230, 30, 30));
        painter.drawRect(QRectF(2.75, 0, 2.5, 5.2));
        painter.drawRect(QRectF(2.75, 6.2, 2.5, 1.8));
    });
}

QPixmap arrowPixmap(const ArrowImage& arrow, qreal devicePixelRatio) {
    const QColor colour = ToQColor(arrow.colour);
    if (devicePixelRatio == 1.0) {
        QImage image(kArrowImageSize, kArrowImageSize, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int row = 0; row < kArrowImageSize; ++row) {
            for (int column = 0; column < kArrowImageSize; ++column) {
                if (arrow.isArrowPixel(row, column)) {
                    image.setPixelColor(column, row, colour);
                }
            }
        }
        return QPixmap::fromImage(image);
    }
    // Each row's pixels are one run: its ends are the outline's corners.
    QList<QPointF> right;
    QList<QPointF> left;
    for (int row = 0; row < kArrowImageSize; ++row) {
        const std::uint16_t bits = arrow.rows.at(row);
        if (bits == 0) {
            continue;
        }
        const qreal start = std::countr_zero(bits);
        const qreal end = std::bit_width(bits);
        if (right.isEmpty()) {
            right.append({end, qreal(row)});
            left.append({start, qreal(row)});
        }
        right.append({end, row + 0.5});
        left.append({start, row + 0.5});
        if (row + 1 == kArrowImageSize || arrow.rows.at(row + 1) == 0) {
            right.append({end, row + 1.0});
            left.append({start, row + 1.0});
        }
    }
    std::reverse(left.begin(), left.end());
    return drawn(QSizeF(kArrowImageSize, kArrowImageSize), devicePixelRatio, [&](QPainter& painter) {
        painter.setBrush(colour);
        painter.drawPolygon(QPolygonF(right + left));
    });
}

QPixmap productPicture(qreal devicePixelRatio) {
    constexpr qreal kWidth = 309;
    constexpr qreal kHeight = 175;
    constexpr qreal kGroundLine = 88;  // the blue line; the red one lies just below it

    // The dog and the name are drawn once on their own layer, which also gives their reflection.
    QImage group = blankImage(QSizeF(kWidth, kGroundLine - 2), devicePixelRatio);
    {
        QPainter painter(&group);
        prepare(painter);
        paintDog(painter, QRectF(8, 8, 116, 76), verticalGradient(0, 72, QColor(250, 138, 120), QColor(232, 86, 74)),
                 116 * devicePixelRatio);

        QFont font(QStringLiteral("DejaVu Sans"));
        font.setStyleHint(QFont::SansSerif);
        font.setBold(true);
        font.setItalic(true);
        font.setPixelSize(100);
        const QString name = QStringLiteral("Plimo");
        QPainterPath text;
        text.addText(0, 0, font, name);
        const QRectF textBounds = text.boundingRect();
        const QRectF box(134, 14, 168, 62);
        const qreal scale = std::min(box.width() / textBounds.width(), box.height() / textBounds.height());
        painter.translate(box.left(), box.bottom());
        painter.scale(scale, scale);
        painter.translate(-textBounds.left(), -textBounds.bottom());
        painter.setBrush(
            verticalGradient(textBounds.top(), textBounds.bottom(), QColor(70, 140, 255), QColor(20, 70, 210)));
        painter.drawPath(text);
    }

    QImage picture = blankImage(QSizeF(kWidth, kHeight), devicePixelRatio, Qt::white);
    QPainter painter(&picture);
    prepare(painter);
    painter.drawImage(QPointF(0, 0), group);

    painter.fillRect(QRectF(4, kGroundLine, kWidth - 8, 1), QColor(40, 100, 230));
    painter.fillRect(QRectF(4, kGroundLine + 3, kWidth - 8, 1), QColor(230, 60, 60));

    // The reflection: the layer upside down, fading out as it goes down.
    QImage reflection = group.mirrored(false, true);
    {
        QPainter fade(&reflection);
        fade.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        const qreal height = reflection.height() / devicePixelRatio;
        QLinearGradient alpha(0, 0, 0, height);
        alpha.setColorAt(0.0, QColor(0, 0, 0, 100));
        alpha.setColorAt(0.75, QColor(0, 0, 0, 0));
        fade.fillRect(QRectF(0, 0, kWidth, height), alpha);
    }
    painter.drawImage(QPointF(0, kGroundLine + 5), reflection);
    painter.end();
    return toPixmap(picture);
}

}  // namespace plimo
