#pragma once
// The boxes and the question-and-login gate that both time-of-use pages' writes use.

#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"

#include <QString>

namespace tou {

using pages::showErrorBox;

// "Do you want to <action> ?" under "ReCheck !" (the answer kept in
// ConfirmAnswer), then the login window: what came of it.
enum class Permission { Declined, LoginRefused, Granted };
Permission askPermission(const pages::SetupContext& ctx, const QString& action);

} // namespace tou
