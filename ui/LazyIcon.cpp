// SPDX-License-Identifier: MIT
#include "LazyIcon.h"

#include <utility>

#include <QGuiApplication>
#include <QIconEngine>
#include <QPaintDevice>
#include <QPainter>

namespace {

class LazyIconEngine : public QIconEngine {
public:
    LazyIconEngine(QList<QSize> sizes, std::function<QPixmap(qsizetype)> make)
        : sizes_(std::move(sizes)), made_(sizes_.size(), false), make_(std::move(make)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const QPaintDevice* device = painter->device();
        const qreal ratio = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
        MadeFor(rect.size() * ratio).paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return MadeFor(size).pixmap(size, 1.0, mode, state);
    }
    // `size` is in device pixels, `scale` of them to the pixel.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        const QIcon& icon = MadeFor(size);
        return scale > 0 ? icon.pixmap(size / scale, scale, mode, state) : icon.pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return MadeFor(size).actualSize(size, mode, state);
    }
    // The sizes of the images, made or not, as a QIcon holding them tells.
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        if (mode != QIcon::Normal || state != QIcon::Off)
            return {};
        return sizes_;
    }
    bool isNull() override { return sizes_.isEmpty(); }
    QString key() const override { return QStringLiteral("SpellsLazyIcon"); }
    QIconEngine* clone() const override { return new LazyIconEngine(*this); }

private:
    // The images made so far, holding the one chosen for `size` pixels.
    const QIcon& MadeFor(const QSize& size) {
        if (sizes_.isEmpty())
            return icon_;
        const qint64 wanted = qint64{size.width()} * size.height();
        qsizetype best = -1;  // the smallest at least `wanted`
        qsizetype largest = 0;
        const auto area = [this](qsizetype i) { return qint64{sizes_[i].width()} * sizes_[i].height(); };
        for (qsizetype i = 0; i < sizes_.size(); ++i) {
            if (area(i) >= wanted && (best < 0 || area(i) < area(best)))
                best = i;
            if (area(i) > area(largest))
                largest = i;
        }
        const qsizetype chosen = best >= 0 ? best : largest;
        if (!made_[chosen]) {
            made_[chosen] = true;
            if (const QPixmap image = make_(chosen); !image.isNull())
                icon_.addPixmap(image);
        }
        return icon_;
    }

    QList<QSize> sizes_;
    QList<bool> made_;
    std::function<QPixmap(qsizetype)> make_;
    QIcon icon_;
};

}  // namespace

QIcon LazyIcon(QList<QSize> sizes, std::function<QPixmap(qsizetype)> make) {
    if (sizes.isEmpty())
        return {};
    return QIcon(new LazyIconEngine(std::move(sizes), std::move(make)));
}
