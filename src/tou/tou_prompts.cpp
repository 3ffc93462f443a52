#include "tou/tou_prompts.h"


namespace tou {

Permission askPermission(const pages::SetupContext& ctx, const QString& action) {
    const auto stop = pages::confirmAndLogIn(ctx, action);
    if (!stop) return Permission::Granted;
    return *stop == pages::WriteOutcome::Declined ? Permission::Declined : Permission::LoginRefused;
}

} // namespace tou
