#include "tou/tou_prompts.h"


namespace tou {

Permission askPermission(const config::SetupContext& ctx, const QString& action) {
    const auto stop = config::confirmAndLogIn(ctx, action);
    if (!stop) return Permission::Granted;
    return *stop == config::WriteOutcome::Declined ? Permission::Declined : Permission::LoginRefused;
}

} // namespace tou
