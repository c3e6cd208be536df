// SPDX-License-Identifier: MIT
#include "SchoolIcons.h"

#include <cstddef>
#include <initializer_list>
#include <iterator>

#include <QCoreApplication>
#include <QPixmap>
#include <QString>

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

// An icon of the images at `paths`; those that fail to load are left out.
QIcon IconOf(std::initializer_list<QString> paths) {
    InitIconResources();
    QIcon icon;
    for (const QString& path : paths)
        if (const QPixmap image(path); !image.isNull())
            icon.addPixmap(image);
    return icon;
}

// ":/icons/<name>" of the icon of image index `image`.
QString IconBase(int image) {
    return QStringLiteral(":/icons/") + QString::fromLatin1(kIcons[static_cast<std::size_t>(image)].name);
}

QIcon LoadIcon(int image) {
    const QString base = IconBase(image);
    return IconOf({base + QStringLiteral(".xpm"), base + QStringLiteral("_32.png")});
}

}  // namespace

QList<QIcon> LoadSchoolImageList() {
    QList<QIcon> images;
    for (int image = 0; image < kSchoolImageCount; ++image)
        images.append(LoadIcon(image));
    return images;
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
    return IconOf({QStringLiteral(":/icons/mainframe_16.png"), QStringLiteral(":/icons/mainframe_32.png"),
                   QStringLiteral(":/icons/mainframe_48.png"), QStringLiteral(":/icons/mainframe_64.png"),
                   QStringLiteral(":/icons/mainframe_96.png")});
}
