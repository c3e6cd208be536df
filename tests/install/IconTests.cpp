// SPDX-License-Identifier: MIT
// The school icons and the application icon: school images of 16 x 16 in
// 16 colours at 1x, images made for 32 x 32 picked at 2x, icons that stand
// out from the list on a light and on a dark palette, and one drawing of
// the application icon at every size.

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include "CSpellListDlg.h"
#include "CSpellListView.h"
#include "Contrast.h"
#include "LazyIcon.h"
#include "QtTestSupport.h"
#include "SchoolIcons.h"
#include "TestRecords.h"

namespace {

// The school icon files in image-index order.
const char* const kSchoolNames[] = {
    "school_alteration", "school_abjuration", "school_conjuration", "school_enchantment", "school_illusion",
    "school_evocation",  "school_divination", "school_necromancy",  "school_all",
};

// The standard 16-colour palette the 1x icons are drawn in.
const QRgb kSixteenColours[] = {
    0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080, 0xff008080, 0xffc0c0c0,
    0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00, 0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff,
};

QImage Resource(const std::string& file) {
    LoadSchoolImageList();  // registers the resources
    QImage image(QString::fromStdString(":/icons/" + file));
    EXPECT_FALSE(image.isNull()) << file;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage Argb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST(Icons, OneTimesImagesKeepTheirSizeAndSixteenColours) {
    std::vector<std::pair<std::string, int>> files;
    for (const char* name : kSchoolNames)
        files.emplace_back(std::string(name) + ".xpm", 16);
    for (const auto& [file, size] : files) {
        const QImage image = Resource(file);
        EXPECT_EQ(image.size(), QSize(size, size)) << file;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 0)
                    continue;
                EXPECT_NE(std::find(std::begin(kSixteenColours), std::end(kSixteenColours), pixel),
                          std::end(kSixteenColours))
                    << file << " (" << x << "," << y << ") " << std::hex << pixel;
            }
    }
}

// A lazy icon makes each image when a pixmap of about its size is first
// asked for, and tells its sizes without making any.
TEST(Icons, LazyIconMakesEachImageAtItsFirstUse) {
    std::vector<qsizetype> made;
    const auto image = [&made](qsizetype i) {
        made.push_back(i);
        QPixmap pixmap(i == 0 ? 16 : 32, i == 0 ? 16 : 32);
        pixmap.fill(i == 0 ? Qt::red : Qt::blue);
        return pixmap;
    };
    const QIcon icon = LazyIcon({QSize(16, 16), QSize(32, 32)}, image);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
    EXPECT_EQ(icon.actualSize(QSize(16, 16)), QSize(16, 16));
    EXPECT_EQ(icon.actualSize(QSize(64, 64)), QSize(32, 32));
    EXPECT_EQ(icon.actualSize(QSize(8, 8)), QSize(8, 8));
    EXPECT_TRUE(made.empty());

    const QImage one = icon.pixmap(QSize(16, 16), 1.0).toImage();
    EXPECT_EQ(made, std::vector<qsizetype>{0});
    EXPECT_EQ(one.size(), QSize(16, 16));
    EXPECT_EQ(one.pixel(8, 8), QColor(Qt::red).rgb());
    const QPixmap two = icon.pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(made, (std::vector<qsizetype>{0, 1}));
    EXPECT_EQ(two.deviceIndependentSize(), QSizeF(16, 16));
    EXPECT_EQ(two.toImage().pixel(16, 16), QColor(Qt::blue).rgb());
    icon.pixmap(QSize(24, 24), 1.0);
    icon.pixmap(QSize(16, 16), 1.0);
    EXPECT_EQ(made.size(), 2u) << "an image made twice";

    EXPECT_TRUE(LazyIcon({}, image).isNull());
    // The shared icons are one: their images are read once.
    EXPECT_EQ(LoadSchoolImageList()[0].cacheKey(), LoadSchoolImageList()[0].cacheKey());
    EXPECT_EQ(LoadMainIcon().cacheKey(), LoadMainIcon().cacheKey());
}

TEST(Icons, DevicePixelRatioPicksTheImageMadeForIt) {
    const QList<QIcon> schools = LoadSchoolImageList();
    ASSERT_EQ(schools.size(), 9);
    for (int i = 0; i < 9; ++i) {
        const std::string name = kSchoolNames[i];
        const QPixmap one = schools[i].pixmap(QSize(16, 16), 1.0);
        const QPixmap two = schools[i].pixmap(QSize(16, 16), 2.0);
        EXPECT_EQ(Argb(one), Resource(name + ".xpm")) << name;
        EXPECT_EQ(two.deviceIndependentSize(), QSizeF(16, 16)) << name;
        EXPECT_EQ(Argb(two), Resource(name + "_32.png")) << name;
        EXPECT_NE(Argb(two), Resource(name + ".xpm").scaled(32, 32)) << name << ": a blown-up 16 x 16";
    }
    const QIcon main = LoadMainIcon();
    EXPECT_EQ(Argb(main.pixmap(QSize(16, 16), 1.0)), Resource("mainframe_16.png"));
    EXPECT_EQ(Argb(main.pixmap(QSize(16, 16), 2.0)), Resource("mainframe_32.png"));
    EXPECT_EQ(Argb(main.pixmap(QSize(32, 32), 2.0)), Resource("mainframe_64.png"));
    EXPECT_EQ(Argb(main.pixmap(QSize(48, 48), 2.0)), Resource("mainframe_96.png"));
}

// The application icon is one drawing at every size: an open book with a
// purple cover under a blue orb, outlined in black, that holds a yellow
// trident. Points of each image that show each part.
TEST(Icons, MainIconIsOneDrawingAtEverySize) {
    enum Part { kTrident, kOrb, kOutline, kPage, kCover };
    const auto isPart = [](QRgb c, Part part) {
        const int r = qRed(c), g = qGreen(c), b = qBlue(c);
        switch (part) {
        case kTrident: return r > 150 && g > 150 && b < 60;
        case kOrb: return b >= 150 && r < 80;
        case kOutline: return r < 60 && g < 60 && b < 60;
        case kPage: return r > 200 && g > 200 && b > 200;
        case kCover: return r > 90 && b > 90 && g < 60;
        }
        return false;
    };
    const struct {
        int size;
        QPoint trident, orb, outline, page, cover;
    } kImages[] = {
        {16, {7, 4}, {4, 4}, {3, 4}, {2, 11}, {0, 14}},
        {32, {15, 9}, {12, 10}, {13, 13}, {6, 19}, {3, 27}},
        {48, {23, 10}, {19, 16}, {15, 10}, {9, 29}, {3, 38}},
        {64, {31, 19}, {25, 21}, {21, 21}, {12, 38}, {3, 51}},
        {96, {47, 30}, {38, 32}, {31, 30}, {19, 58}, {5, 76}},
    };
    for (const auto& image : kImages) {
        const std::string file = "mainframe_" + std::to_string(image.size) + ".png";
        const QImage icon = Resource(file);
        ASSERT_EQ(icon.size(), QSize(image.size, image.size)) << file;
        const std::pair<QPoint, Part> points[] = {{image.trident, kTrident}, {image.orb, kOrb},
                                                  {image.outline, kOutline}, {image.page, kPage},
                                                  {image.cover, kCover}};
        for (const auto& [at, part] : points) {
            const QRgb pixel = icon.pixel(at);
            EXPECT_TRUE(qAlpha(pixel) >= 200 && isPart(pixel, part))
                << file << " (" << at.x() << "," << at.y() << ") part " << part << ": " << std::hex << pixel;
        }
    }
}

// Where the opaque pixels of `icon` appear unchanged in `area` of `shot`;
// (-1, -1) when nowhere.
QPoint Find(const QImage& shot, const QRect& area, const QImage& icon) {
    for (int top = area.top(); top + icon.height() <= area.bottom() + 1; ++top)
        for (int left = area.left(); left + icon.width() <= area.right() + 1; ++left) {
            bool same = true;
            for (int y = 0; same && y < icon.height(); ++y)
                for (int x = 0; same && x < icon.width(); ++x)
                    same = qAlpha(icon.pixel(x, y)) != 255 || shot.pixel(left + x, top + y) == icon.pixel(x, y);
            if (same)
                return {left, top};
        }
    return {-1, -1};
}

// Every pixel on the icon's outer edge (opaque, next to a clear pixel or
// the image's border) has, within `reach` pixels, a shown pixel that
// stands out from `background` by a contrast of 3 or more. False names the
// first pixel that does not.
testing::AssertionResult StandsOut(const QImage& shot, QPoint at, const QImage& icon, QRgb background,
                                   int reach) {
    const auto opaque = [&icon](int x, int y) {
        return x >= 0 && y >= 0 && x < icon.width() && y < icon.height() && qAlpha(icon.pixel(x, y)) >= 128;
    };
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            if (!opaque(x, y) || (opaque(x - 1, y) && opaque(x + 1, y) && opaque(x, y - 1) && opaque(x, y + 1)))
                continue;
            double best = 1;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx)
                    if (opaque(x + dx, y + dy))
                        best = std::max(best, Contrast(shot.pixel(at.x() + x + dx, at.y() + y + dy), background));
            if (best < 3)
                return testing::AssertionFailure() << "edge pixel (" << x << "," << y << ") contrast " << best;
        }
    return testing::AssertionSuccess();
}


// The main dialog in the Fusion style, listing one spell of each school
// image 0..8 in that order.
class IconListTest : public QtTest {
protected:
    void SetUp() override {
        QtTest::SetUp();
        savedStyle = QApplication::style()->name();
        savedPalette = QApplication::palette();
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        std::vector<SpellRecord> records;
        for (int i = 0; i < 9; ++i)
            records.push_back(MakeRecord(std::to_string(i) + " " + kSchoolNames[i], 1, i));
        WriteFile(Idx("wizard"), EncodeAll(records));
    }
    void TearDown() override {
        dlg.reset();
        QApplication::setStyle(savedStyle);
        QApplication::setPalette(savedPalette);
        QtTest::TearDown();
    }

    void Open(const QPalette& palette) {
        QApplication::setPalette(palette);
        dlg = std::make_unique<CSpellListDlg>();
        dlg->resize(800, 500);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("IDC_WIZARD")), Qt::LeftButton);
        // The icons on the plain background: no row selected or current.
        if (auto* view = dlg->findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"))) {
            view->selectionModel()->clear();
            view->setCurrentIndex({});
        }
        list = dlg->findChild<CSpellListView*>(QStringLiteral("IDC_SPELL_LIST"));
        ASSERT_EQ(list->model()->rowCount(), 9);
    }

    // Device pixels to the pixel of the screen the list is on: 1, or 2
    // when the tests run with QT_SCALE_FACTOR=2.
    int Ratio() const {
        const int ratio = qRound(list->devicePixelRatioF());
        EXPECT_EQ(ratio, qEnvironmentVariable("QT_SCALE_FACTOR") == QStringLiteral("2") ? 2 : 1);
        return ratio;
    }

    // The list's rows as painted.
    QImage Shot() const {
        QImage image = list->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (qEnvironmentVariableIsSet("SPELLS_SHOT_DIR"))
            image.save(qEnvironmentVariable("SPELLS_SHOT_DIR") + QStringLiteral("/list-x%1.png").arg(Ratio()));
        return image;
    }

    // The image made for the scale, and where it is painted in the row.
    QPoint FindIcon(const QImage& shot, int row, QImage& icon) const {
        const int ratio = Ratio();
        icon = Resource(std::string(kSchoolNames[row]) + (ratio == 1 ? ".xpm" : "_32.png"));
        const QRect rowRect = list->visualRect(list->model()->index(row, 0));
        return Find(shot, QRect(rowRect.left() * ratio, rowRect.top() * ratio, 48 * ratio, rowRect.height() * ratio),
                    icon);
    }

    QString savedStyle;
    QPalette savedPalette;
    std::unique_ptr<CSpellListDlg> dlg;
    CSpellListView* list = nullptr;
};

TEST_F(IconListTest, RowsShowTheImageMadeForTheScale) {
    Open(QApplication::style()->standardPalette());
    const QImage shot = Shot();
    for (int row = 0; row < 9; ++row) {
        QImage icon;
        EXPECT_NE(FindIcon(shot, row, icon), QPoint(-1, -1)) << kSchoolNames[row] << " x" << Ratio();
    }
}

TEST_F(IconListTest, EveryIconStandsOutOnLightAndDarkPalettes) {
    const struct {
        const char* name;
        QPalette palette;
    } kPalettes[] = {
        {"light", QApplication::style()->standardPalette()},
        {"dark", DarkPalette()},
    };
    for (const auto& p : kPalettes) {
        Open(p.palette);
        const QImage shot = Shot();
        const QRgb base = p.palette.color(QPalette::Base).rgba();
        for (int row = 0; row < 9; ++row) {
            QImage icon;
            const QPoint at = FindIcon(shot, row, icon);
            ASSERT_NE(at, QPoint(-1, -1)) << p.name << ": " << kSchoolNames[row];
            EXPECT_EQ(shot.pixel(at.x() - 1, at.y()), base) << p.name << ": the row's background";
            // Within one pixel of the screen: two device pixels at 2x.
            EXPECT_TRUE(StandsOut(shot, at, icon, base, Ratio())) << p.name << ": " << kSchoolNames[row];
        }
        dlg.reset();
    }
}

}  // namespace
