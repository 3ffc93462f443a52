#include "common/prompter.h"
#include "common/shared_routines.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>

using common::FormatScaledValue;

TEST(FormatScaledValue, PrefixesAndTheirLimitsAsWritten) {
    EXPECT_EQ(FormatScaledValue("230.5", 6), "230.50  V");
    EXPECT_EQ(FormatScaledValue("0.25", 0), "250.00  mA");
    EXPECT_EQ(FormatScaledValue("0", 20), "0.0000  uHz");
    EXPECT_EQ(FormatScaledValue("2500000000", 18), "2.5000  GVA");
    EXPECT_EQ(FormatScaledValue("87.5", 5), "87.5");
    EXPECT_EQ(FormatScaledValue("1000", 16), "1000.0  W");
    EXPECT_EQ(FormatScaledValue("1000.0001", 16), "1.0000  KW");
    EXPECT_EQ(FormatScaledValue("1000000", 16), "1000.0  KW");
    EXPECT_EQ(FormatScaledValue("1000000000", 16), "1000.0  MW");
    EXPECT_EQ(FormatScaledValue("1", 0), "1.0000  A");
    EXPECT_EQ(FormatScaledValue("0.001", 0), "1.0000  mA");
    EXPECT_EQ(FormatScaledValue("0.000999", 0), "999.00  uA");
    EXPECT_EQ(FormatScaledValue("-230.5", 6), "-230.50  V");
    // Rounding at the sixth decimal carries into the kept digits.
    EXPECT_EQ(FormatScaledValue("999.9999996", 6), "1000.0  V");

    // Files and logs take the text as it is: no system decimal comma.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(FormatScaledValue("1234.5678", 16), "1.2345  KW");
    QLocale::setDefault(saved);
}

TEST(FormatScaledValue, TextWithoutUnitOrNumber) {
    EXPECT_EQ(FormatScaledValue("", 6), "");
    EXPECT_EQ(FormatScaledValue("abc", 10), "abc");  // "%" unit
    EXPECT_EQ(FormatScaledValue(" 7 x", 24), " 7 x"); // no unit
    EXPECT_EQ(FormatScaledValue("abc", 6), "0.0000  uV");
    EXPECT_EQ(FormatScaledValue("nan", 6), "0.0000  uV");
    EXPECT_EQ(FormatScaledValue("1e999", 6), "0.0000  uV"); // beyond a double
    EXPECT_EQ(FormatScaledValue("  +12.5", 0), "12.500  A");
    EXPECT_EQ(FormatScaledValue(".5", 0), "500.00  mA");
    EXPECT_EQ(FormatScaledValue("2.5e3", 21), "2.5000  KW");
    EXPECT_EQ(FormatScaledValue("12,5", 0), "12.000  A"); // a comma ends the number
}

TEST(FormatScaledValue, HugeValuesKeepTheirWholeIntegerPart) {
    EXPECT_EQ(FormatScaledValue("999000000000000", 16), "999000  GW");
    EXPECT_EQ(FormatScaledValue("1000000000000000", 16), "1000000  GW");
    EXPECT_EQ(FormatScaledValue("12345678900000000", 16), "12345678  GW");
    EXPECT_EQ(FormatScaledValue("-12345678900000000", 16), "-12345678  GW");
}

TEST(BuildLocaleDate, OrderCenturyAndSeparator) {
    using common::BuildLocaleDate;
    EXPECT_EQ(BuildLocaleDate("05", "12", "31", "yyyy/MM/dd", "/"), "2005/12/31");
    EXPECT_EQ(BuildLocaleDate("91", "12", "31", "YYYY/MM/DD", "/"), "1991/12/31");
    EXPECT_EQ(BuildLocaleDate("90", "12", "31", "YYYY/MM/DD", "/"), "2090/12/31");
    EXPECT_EQ(BuildLocaleDate("05", "12", "31", "YY/MM/DD", "/"), "05/12/31");
    EXPECT_EQ(BuildLocaleDate("05", "12", "31", "MM-DD-YYYY", "-"), "12-31-2005");
    EXPECT_EQ(BuildLocaleDate("05", "12", "31", "MM-DD-YY", "-"), "12-31-05");
    // A day-first format still gets month, day, year.
    EXPECT_EQ(BuildLocaleDate("05", "12", "31", "DD.MM.YYYY", "."), "12.31.2005");
    EXPECT_EQ(BuildLocaleDate("05", "12", "00", "YYYY/MM/DD", "/"), "0005/12/00");
    EXPECT_EQ(BuildLocaleDate("05", "12", "31", "", "/"), "12/31/05");
    EXPECT_EQ(BuildLocaleDate("05", "12", "31", "YYYY/MM/DD", ""), "20051231");
}

TEST(Delay, WaitsTheFullTimeWhileEventsRun) {
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    int fired = 0;
    bool innerDone = false;
    QTimer::singleShot(50, [&] { ++fired; });
    // A handler that itself delays, inside the outer wait.
    QTimer::singleShot(100, [&] {
        common::Delay(0.1);
        innerDone = true;
    });
    common::Delay(0.4);
    const qint64 elapsed = clock.elapsed();
    const double cpuMs = 1000.0 * double(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    EXPECT_GE(elapsed, 400);
    EXPECT_LT(elapsed, 900);
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(innerDone);
    EXPECT_LT(cpuMs, 150.0) << "the wait must sleep, not spin";

    clock.restart();
    common::Delay(0);
    common::Delay(-1);
    common::Delay(std::nan(""));
    EXPECT_LT(clock.elapsed(), 50);
}

TEST(ReportError, ShowsNumberProcedureAndMessage) {
    ScriptedPrompter script;
    ScopedPrompter guard(script);
    const QString text = common::systemErrorText(ENOENT);
    EXPECT_EQ(text, QString::fromLocal8Bit(std::strerror(ENOENT)));

    common::ReportError("SaveSFFile", 53, text);
    ASSERT_EQ(script.boxes.size(), 1u);
    const ScriptedPrompter::Box& box = script.boxes[0];
    EXPECT_EQ(box.title, "Error Cord : (53)");
    EXPECT_EQ(box.text, "Error Message : (SaveSFFile)," + text);
    EXPECT_EQ(box.icon, common::Icon::Exclamation);
    EXPECT_EQ(box.buttons, common::Buttons::Ok);
}

TEST(ConfirmAction, AsksYesNoWithNoAsDefault) {
    ScriptedPrompter outer;
    ScopedPrompter outerGuard(outer);
    {
        ScriptedPrompter script;
        ScopedPrompter guard(script);
        EXPECT_EQ(common::confirmAction("Exit"), common::AnswerNo); // nothing queued: the default
        script.answerNext(common::AnswerYes);
        EXPECT_EQ(common::confirmAction("Save Config"), common::AnswerYes);
        ASSERT_EQ(script.count("ReCheck !"), 2);
        EXPECT_EQ(script.boxes[0].text, "Do you want to Exit ?");
        EXPECT_EQ(script.boxes[0].icon, common::Icon::Question);
        EXPECT_EQ(script.boxes[0].buttons, common::Buttons::YesNo);
        EXPECT_EQ(script.boxes[0].defaultAnswer, common::AnswerNo);
    }
    common::beep();
    EXPECT_EQ(outer.beeps, 1) << "leaving a scope puts the previous prompter back";
}

TEST(FileFilter, OffersTheExtensionInBothCases) {
    EXPECT_EQ(common::fileFilter("Max./Min. Log", "CSV"), "Max./Min. Log (*.CSV *.csv)");
    EXPECT_EQ(common::fileFilter("User Map File", "Map"), "User Map File (*.Map *.MAP *.map)");
}

TEST(FileFilter, ANameWithoutExtensionGetsTheChosenFiltersFirst) {
    EXPECT_EQ(common::filterExtension("Max./Min. Log (*.CSV *.csv)"), "CSV");
    EXPECT_EQ(common::filterExtension("Mapping File (*.Map *.map *.MAP);;All Files (*)"), "Map");
    EXPECT_EQ(common::filterExtension("All Files (*)"), "");
    EXPECT_EQ(common::filterExtension("Any (*.*)"), "");
    EXPECT_EQ(common::filterExtension("Trend (*.t?t)"), "");
    EXPECT_EQ(common::filterExtension("*.SF"), "SF");
}

// The real boxes: the right shape, and the default button is the one Enter presses.
TEST(QtPrompter, BoxShapeAndDefaultButton) {
    common::setPrompter(nullptr);
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool answered = false;
    auto answerWithDefault = [&] {
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box == nullptr || !box->isVisible()) continue;
                title = box->windowTitle();
                icon = box->icon();
                defaultButton = box->standardButton(box->defaultButton());
                answered = true;
                box->defaultButton()->click();
                return;
            }
        });
    };

    answerWithDefault();
    EXPECT_EQ(common::confirmAction("Exit"), common::AnswerNo);
    ASSERT_TRUE(answered);
    EXPECT_EQ(title, "ReCheck !");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(defaultButton, QMessageBox::No);

    answered = false;
    answerWithDefault();
    common::ReportError("SendComm", 5, "Input/output error");
    ASSERT_TRUE(answered);
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(defaultButton, QMessageBox::Ok);
}
