#include "config/option_groups.h"

#include "config/page_family.h"

#include <QAbstractButton>

namespace config {

void choiceClicked(common::PageState& page, QWidget* group, const QString& tag) {
    if (!group) return;
    markPersonEdit(page, group);
    controls::setTag(group, tag);
}

bool showReadChoice(const common::PageState& page, QWidget* group, QAbstractButton* option, const QString& tag) {
    if (page.ReadTap && group) page.ReadTap(group, tag);
    if (!showReadChoice(page, group, option)) return false;
    controls::setTag(group, tag);
    return true;
}

bool showReadChoice(const common::PageState& page, QWidget* group, QAbstractButton* option) {
    if (page.ReadTap && group)
        for (QAbstractButton* o : group->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
            page.ReadTap(o, o == option);
    if (!option || !readMayFill(page, group)) return false;
    if (!option->isChecked()) option->setChecked(true);
    return true;
}

} // namespace config
