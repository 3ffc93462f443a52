#pragma once
// The boxes and the question-and-login gate that both time-of-use pages' writes use.

#include "config/setup_framework.h"

#include <QString>

namespace tou {

using config::showErrorBox;

// "Do you want to <action> ?" under "ReCheck !" (the answer kept in
// ConfirmAnswer), then the login window: what came of it.
enum class Permission { Declined, LoginRefused, Granted };
Permission askPermission(const config::SetupContext& ctx, const QString& action);

} // namespace tou
