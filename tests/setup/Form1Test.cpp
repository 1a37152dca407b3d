#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

#include "platform/win/MachineRoot.h"
#include "platform/win/Version.h"
#include "setup/Unit1.h"
#include "setup/Unit_RegiFunc.h"
#include "setup/Unit_ResetForm.h"
#include "tests/support/RegistryValues.h"
#include "tests/support/ScriptedUi.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace tarvo::test;
namespace fs = std::filesystem;

const std::string UninstallEntry = std::string(UninstallKey) + "\\Tarvo";

class Form1Test : public TarvoTest {
protected:
    void TearDown() override {
        form.reset();
        win::SetVersionQuery(nullptr);
        TarvoTest::TearDown();
    }
    void Create() { form = std::make_unique<TForm1>(); }
    QStringList Log() { return form->Memo1->toPlainText().split('\n'); }
    // The picture the window shows at the top, where its heading goes, and the image list's frame i.
    QImage Heading() { return form->grab().toImage().copy(9, 8, 380, 40).convertToFormat(QImage::Format_RGB32); }
    QImage Frame(int i) { return form->ImageList1->Frame(i).convertToFormat(QImage::Format_RGB32); }

    // The restart prompt comes up modally inside the click; this answers it with one of its buttons. A prompt
    // still open after the guard's time is closed (so a broken run ends) and fails the test.
    void AnswerRestartPrompt(const char* button) {
        QTimer::singleShot(0, [this, button] {
            auto* prompt = dynamic_cast<TResetForm*>(QApplication::activeModalWidget());
            if (!prompt) {
                ADD_FAILURE() << "no restart prompt";
                return;
            }
            ++prompts;
            prompt->findChild<TPicBtnGroup*>(button)->Click();
        });
        QTimer::singleShot(30000, form.get(), [] {
            if (QWidget* stuck = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "the restart prompt stayed open";
                stuck->close();
            }
        });
    }

    ScopedScriptedUi ui;
    std::unique_ptr<TForm1> form;
    int prompts = 0;
};

TEST_F(Form1Test, ThePictureHoldersFillTheImageListInOrder) {
    Create();
    EXPECT_TRUE(form->Memo1->isHidden());
    EXPECT_EQ(form->ImageList1->Count(), 3);
    EXPECT_EQ(form->ImageList1->Frame(2),
              form->SingleImage2->Picture().convertToFormat(QImage::Format_ARGB32_Premultiplied));
    EXPECT_EQ(form->SingleImage0->Width(), 380);
    EXPECT_EQ(form->SingleImage0->Height(), 40);
}

TEST_F(Form1Test, AnUnsupportedSystemIsReportedAndTheWindowOpensAllTheSame) {
    win::SetVersionQuery([] {
        win::VersionReport report;
        report.platformId = win::VER_PLATFORM_WIN32_NT;
        report.majorVersion = 5;
        report.minorVersion = 3;
        return std::optional<win::VersionReport>(report);
    });
    ui->ExpectMessageBox(win::IDOK, "アプリケーションはこのOSには対応していません。");
    Create();
    EXPECT_EQ(ui->Shown().at(0).type, win::MB_OK | win::MB_ICONERROR);
    form->show();
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Form1Test, EachClickRemovesTheInstallationAndOffersTheRestart) {
    WriteFile(sandbox().machine + "Program Files/Tarvo/Tarvo.exe", "client");
    SetRegString(win::HKEY_LOCAL_MACHINE, UninstallEntry, "DisplayName", "Tarvo");
    SetRegString(win::HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo", "LastTime", "0");
    Create();
    form->show();
    ASSERT_NE(Frame(0), Frame(2));
    EXPECT_EQ(Heading(), Frame(0));

    AnswerRestartPrompt("PicBtnGroup2");
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(prompts, 1);
    EXPECT_TRUE(form->Memo1->isVisible());
    const QStringList once{"実行ファイルの削除中...", "実行ファイルの削除が完了しました。",
                           "Tarvoのアンインストールが完了しました。"};
    EXPECT_EQ(Log(), once);
    EXPECT_EQ(Heading(), Frame(0)) << "one heading picture throughout";
    EXPECT_FALSE(fs::exists(sandbox().machine + "Program Files/Tarvo/Tarvo.exe"));
    EXPECT_FALSE(RegKeyExists(win::HKEY_LOCAL_MACHINE, UninstallEntry));
    EXPECT_FALSE(RegKeyExists(win::HKEY_CURRENT_USER, "Software\\Vostrand\\Tarvo"));
    EXPECT_TRUE(win::ReadJournal().empty());  // cancelled: no restart

    // The button stays: a second click runs everything again.
    ASSERT_TRUE(form->Button1->isEnabled());
    AnswerRestartPrompt("PicBtnGroup1");
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(prompts, 2);
    EXPECT_EQ(Log(), once + once);
    const auto journal = win::ReadJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[0], "restart flags=0x2");
    EXPECT_EQ(journal.back().rfind("run-once HKEY_LOCAL_MACHINE \"Tarvo2\"=", 0), 0u);
}

}  // namespace
