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
    // `whole`: every image is made at the first use; `sizes` then only
    // counts them.
    LazyIconEngine(QList<QSize> sizes, std::function<QPixmap(qsizetype)> make, bool whole)
        : sizes_(std::move(sizes)), made_(sizes_.size(), false), make_(std::move(make)), whole_(whole) {}

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
    // The chosen image's size, within `size` (as QIcon's, which reads no
    // image for it).
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        if (whole_)
            return MadeFor(size).actualSize(size, mode, state);
        QSize actual = sizes_.isEmpty() ? QSize() : sizes_[Choose(size)];
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }
    // The sizes of the images, made or not, as a QIcon holding them tells.
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        if (whole_)
            return MadeFor(QSize()).availableSizes(mode, state);
        if (mode != QIcon::Normal || state != QIcon::Off)
            return {};
        return sizes_;
    }
    bool isNull() override { return sizes_.isEmpty(); }
    QString key() const override { return QStringLiteral("SpellsLazyIcon"); }
    QIconEngine* clone() const override { return new LazyIconEngine(*this); }

private:
    // The image QIcon would choose for `size` pixels: the smallest at
    // least as large, else the largest.
    qsizetype Choose(const QSize& size) const {
        const qint64 wanted = qint64{size.width()} * size.height();
        const auto area = [this](qsizetype i) { return qint64{sizes_[i].width()} * sizes_[i].height(); };
        qsizetype best = -1;
        qsizetype largest = 0;
        for (qsizetype i = 0; i < sizes_.size(); ++i) {
            if (area(i) >= wanted && (best < 0 || area(i) < area(best)))
                best = i;
            if (area(i) > area(largest))
                largest = i;
        }
        return best >= 0 ? best : largest;
    }

    // The images made so far, holding the one chosen for `size` pixels
    // (all of them when made whole).
    const QIcon& MadeFor(const QSize& size) {
        for (qsizetype i = 0; i < sizes_.size(); ++i) {
            if (made_[i] || (!whole_ && i != Choose(size)))
                continue;
            made_[i] = true;
            if (const QPixmap image = make_(i); !image.isNull())
                icon_.addPixmap(image);
        }
        return icon_;
    }

    QList<QSize> sizes_;
    QList<bool> made_;
    std::function<QPixmap(qsizetype)> make_;
    bool whole_;
    QIcon icon_;
};

}  // namespace

QIcon LazyIcon(QList<QSize> sizes, std::function<QPixmap(qsizetype)> make) {
    if (sizes.isEmpty())
        return {};
    return QIcon(new LazyIconEngine(std::move(sizes), std::move(make), false));
}

QIcon LazyIconMadeWhole(qsizetype count, std::function<QPixmap(qsizetype)> make) {
    if (count <= 0)
        return {};
    return QIcon(new LazyIconEngine(QList<QSize>(count), std::move(make), true));
}
