#include "tou/tou_prompts.h"

#include "common/prompter.h"
#include "shell/app_state.h"
#include "shell/page_services.h"

namespace tou {

void showErrorBox(const QString& text) {
    common::prompter().message(QStringLiteral("Error"), text, common::Icon::Stop, common::Buttons::Ok);
}

Permission askAndLogIn(const config::SetupContext& ctx, const QString& action) {
    ctx.app.ConfirmAnswer = 0;
    ctx.app.ConfirmAnswer = int16_t(common::confirmAction(action));
    if (ctx.app.ConfirmAnswer != common::AnswerYes) return Permission::Declined;
    const bool loggedIn = ctx.services.Login && ctx.services.Login();
    return loggedIn && ctx.app.LoginOk ? Permission::Granted : Permission::LoginRefused;
}

} // namespace tou
