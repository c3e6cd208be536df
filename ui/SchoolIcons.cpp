// SPDX-License-Identifier: MIT
#include "SchoolIcons.h"

#include <initializer_list>

#include <QPixmap>
#include <QString>

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

QIcon LoadIcon(int id) {
    for (const auto& icon : kIcons)
        if (icon.id == id) {
            const QString base = QStringLiteral(":/icons/") + QString::fromLatin1(icon.name);
            return IconOf({base + QStringLiteral(".xpm"), base + QStringLiteral("_32.png")});
        }
    return {};
}

}  // namespace

QList<QIcon> LoadSchoolImageList() {
    QList<QIcon> images;
    for (const int id : kSchoolIconOrder)
        images.append(LoadIcon(id));
    return images;
}

QIcon LoadMainIcon() {
    return IconOf({QStringLiteral(":/icons/mainframe_16.png"), QStringLiteral(":/icons/mainframe_32.png"),
                   QStringLiteral(":/icons/mainframe_48.png"), QStringLiteral(":/icons/mainframe_64.png"),
                   QStringLiteral(":/icons/mainframe_96.png")});
}
