#include "SchoolIcons.h"

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
    const char* path;
};

constexpr IconResource kIcons[] = {
    {IDI_SCHOOL_ALTERATION, ":/icons/school_alteration.xpm"},
    {IDI_SCHOOL_CONJURATION, ":/icons/school_conjuration.xpm"},
    {IDI_SCHOOL_ABJURATION, ":/icons/school_abjuration.xpm"},
    {IDI_SCHOOL_ENCHANTMENT, ":/icons/school_enchantment.xpm"},
    {IDI_SCHOOL_ILLUSION, ":/icons/school_illusion.xpm"},
    {IDI_SCHOOL_DIVINATION, ":/icons/school_divination.xpm"},
    {IDI_SCHOOL_EVOCATION, ":/icons/school_evocation.xpm"},
    {IDI_SCHOOL_NECROMANCY, ":/icons/school_necromancy.xpm"},
    {IDI_SCHOOL_ALL, ":/icons/school_all.xpm"},
};

// Icon resources in image-index order; the resource numbers do not follow
// the image order.
constexpr int kSchoolIconOrder[] = {
    IDI_SCHOOL_ALTERATION, IDI_SCHOOL_ABJURATION, IDI_SCHOOL_CONJURATION,
    IDI_SCHOOL_ENCHANTMENT, IDI_SCHOOL_ILLUSION, IDI_SCHOOL_EVOCATION,
    IDI_SCHOOL_DIVINATION, IDI_SCHOOL_NECROMANCY, IDI_SCHOOL_ALL,
};

QIcon LoadIcon(int id) {
    InitIconResources();
    for (const auto& icon : kIcons)
        if (icon.id == id)
            return QIcon(QPixmap(QString::fromLatin1(icon.path)));
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
    InitIconResources();
    QIcon icon;
    for (const char* path :
         {":/icons/mainframe_16.xpm", ":/icons/mainframe_32.xpm", ":/icons/mainframe_48.xpm"})
        icon.addPixmap(QPixmap(QString::fromLatin1(path)));
    return icon;
}
