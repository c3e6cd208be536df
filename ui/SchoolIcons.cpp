// SPDX-License-Identifier: MIT
#include "SchoolIcons.h"

#include <cstddef>
#include <initializer_list>
#include <iterator>

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QPixmap>
#include <QString>

#include "LazyIcon.h"
#include "SchoolImage.h"

// The icons are compiled into this static library; its resources must be
// registered by hand, since nothing else refers to them.
static void InitIconResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(spells);
        return true;
    }();
    static_cast<void>(registered);
}

namespace {

// The icon resource of each image index, in image order.
struct IconResource {
    SchoolImageIndex image;
    const char* name;  // ":/icons/<name>.xpm" at 16 pixels, "<name>_32.png" at 32
};

constexpr IconResource kIcons[] = {
    {kImageAlteration, "school_alteration"},   {kImageAbjuration, "school_abjuration"},
    {kImageConjuration, "school_conjuration"}, {kImageEnchantment, "school_enchantment"},
    {kImageIllusion, "school_illusion"},       {kImageEvocation, "school_evocation"},
    {kImageDivination, "school_divination"},   {kImageNecromancy, "school_necromancy"},
    {kImageAllSchools, "school_all"},
};
static_assert(std::size(kIcons) == kSchoolImageCount);

constexpr bool InImageOrder() {
    for (std::size_t i = 0; i < std::size(kIcons); ++i)
        if (kIcons[i].image != static_cast<int>(i))
            return false;
    return true;
}
static_assert(InImageOrder());

// One image of an icon: its resource and its size in pixels.
struct IconFile {
    QString path;
    int size;
};

// An icon of the images `files`, each read when first shown; those that
// are missing are left out.
QIcon IconOf(std::initializer_list<IconFile> files) {
    InitIconResources();
    QList<QSize> sizes;
    QStringList paths;
    for (const IconFile& file : files)
        if (QFile::exists(file.path)) {
            sizes.append(QSize(file.size, file.size));
            paths.append(file.path);
        }
    return LazyIcon(std::move(sizes), [paths](qsizetype i) { return QPixmap(paths[i]); });
}

// ":/icons/<name>" of the icon of image index `image`.
QString IconBase(int image) {
    return QStringLiteral(":/icons/") + QString::fromLatin1(kIcons[static_cast<std::size_t>(image)].name);
}

QIcon LoadIcon(int image) {
    const QString base = IconBase(image);
    return IconOf({{base + QStringLiteral(".xpm"), 16}, {base + QStringLiteral("_32.png"), 32}});
}

// Made once in a process and shared by every list, box and printout, so
// that each image is read once; dropped as the application ends, before
// Qt's graphics go.
template <typename T>
const T& MadeOnce(T (*make)()) {
    static T* made = nullptr;
    if (!made) {
        made = new T(make());
        qAddPostRoutine([] {
            delete made;
            made = nullptr;
        });
    }
    return *made;
}

}  // namespace

QList<QIcon> LoadSchoolImageList() {
    return MadeOnce<QList<QIcon>>([] {
        QList<QIcon> images;
        for (int image = 0; image < kSchoolImageCount; ++image)
            images.append(LoadIcon(image));
        return images;
    });
}

QString SchoolClassText(int image) {
    if (image < 0 || image >= kSchoolImageCount)
        return {};
    const std::string_view name = kSchoolClassNames[static_cast<std::size_t>(image)];
    QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    // The class names are the program's own words and stay as they are.
    if (image != kSchoolImageOther)
        return text;
    return QCoreApplication::translate("SchoolIcons", "%1 (no school recognised)").arg(text);
}

QString SchoolLegendHtml() {
    InitIconResources();
    QString html = QStringLiteral("<table cellspacing=\"2\">");
    for (int image = 0; image < kSchoolImageCount; ++image)
        html += QStringLiteral("<tr><td><img src=\"qrc%1.xpm\" width=\"16\" height=\"16\"></td><td>%2</td></tr>")
                    .arg(IconBase(image), SchoolClassText(image).toHtmlEscaped());
    return html + QStringLiteral("</table>");
}

QIcon LoadMainIcon() {
    return MadeOnce<QIcon>([] {
        return IconOf({{QStringLiteral(":/icons/mainframe_16.png"), 16},
                       {QStringLiteral(":/icons/mainframe_32.png"), 32},
                       {QStringLiteral(":/icons/mainframe_48.png"), 48},
                       {QStringLiteral(":/icons/mainframe_64.png"), 64},
                       {QStringLiteral(":/icons/mainframe_96.png"), 96}});
    });
}
