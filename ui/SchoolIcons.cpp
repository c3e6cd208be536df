// SPDX-License-Identifier: MIT
#include "SchoolIcons.h"

#include <cstddef>
#include <initializer_list>

#include <QPixmap>
#include <QString>

#include "SchoolImage.h"
#include "resource.h"

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

struct IconResource {
    int id;
    const char* name;  // ":/icons/<name>.xpm" at 16 pixels, "<name>_32.png" at 32
};

constexpr IconResource kIcons[] = {
    {IDI_SCHOOL_ALTERATION, "school_alteration"},
    {IDI_SCHOOL_CONJURATION, "school_conjuration"},
    {IDI_SCHOOL_ABJURATION, "school_abjuration"},
    {IDI_SCHOOL_ENCHANTMENT, "school_enchantment"},
    {IDI_SCHOOL_ILLUSION, "school_illusion"},
    {IDI_SCHOOL_DIVINATION, "school_divination"},
    {IDI_SCHOOL_EVOCATION, "school_evocation"},
    {IDI_SCHOOL_NECROMANCY, "school_necromancy"},
    {IDI_SCHOOL_ALL, "school_all"},
};

// Icon resources in image-index order; the resource numbers do not follow
// the image order.
constexpr int kSchoolIconOrder[] = {
    IDI_SCHOOL_ALTERATION, IDI_SCHOOL_ABJURATION, IDI_SCHOOL_CONJURATION,
    IDI_SCHOOL_ENCHANTMENT, IDI_SCHOOL_ILLUSION, IDI_SCHOOL_EVOCATION,
    IDI_SCHOOL_DIVINATION, IDI_SCHOOL_NECROMANCY, IDI_SCHOOL_ALL,
};

// An icon of the images at `paths`; those that fail to load are left out.
QIcon IconOf(std::initializer_list<QString> paths) {
    InitIconResources();
    QIcon icon;
    for (const QString& path : paths)
        if (const QPixmap image(path); !image.isNull())
            icon.addPixmap(image);
    return icon;
}

// ":/icons/<name>" of the icon resource `id`, or an empty string.
QString IconBase(int id) {
    for (const auto& icon : kIcons)
        if (icon.id == id)
            return QStringLiteral(":/icons/") + QString::fromLatin1(icon.name);
    return {};
}

QIcon LoadIcon(int id) {
    const QString base = IconBase(id);
    if (base.isEmpty())
        return {};
    return IconOf({base + QStringLiteral(".xpm"), base + QStringLiteral("_32.png")});
}

}  // namespace

QList<QIcon> LoadSchoolImageList() {
    QList<QIcon> images;
    for (const int id : kSchoolIconOrder)
        images.append(LoadIcon(id));
    return images;
}

QString SchoolClassText(int image) {
    if (image < 0 || image >= kSchoolImageCount)
        return {};
    const std::string_view name = kSchoolClassNames[static_cast<std::size_t>(image)];
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return image == kSchoolImageOther ? QStringLiteral("%1 (no school recognised)").arg(text) : text;
}

QString SchoolLegendHtml() {
    InitIconResources();
    QString html = QStringLiteral("<table cellspacing=\"2\">");
    for (int image = 0; image < kSchoolImageCount; ++image)
        html += QStringLiteral("<tr><td><img src=\"qrc%1.xpm\" width=\"16\" height=\"16\"></td><td>%2</td></tr>")
                    .arg(IconBase(kSchoolIconOrder[image]), SchoolClassText(image).toHtmlEscaped());
    return html + QStringLiteral("</table>");
}

QIcon LoadMainIcon() {
    return IconOf({QStringLiteral(":/icons/mainframe_16.png"), QStringLiteral(":/icons/mainframe_32.png"),
                   QStringLiteral(":/icons/mainframe_48.png"), QStringLiteral(":/icons/mainframe_64.png"),
                   QStringLiteral(":/icons/mainframe_96.png")});
}
