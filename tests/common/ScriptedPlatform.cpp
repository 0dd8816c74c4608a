#include "tests/common/ScriptedPlatform.h"

#include <QDialog>

namespace {

ScriptedPlatform* current = nullptr;

void installFresh() {
    auto platform = std::make_unique<ScriptedPlatform>();
    current = platform.get();
    InstallPlatform(std::move(platform));
}

class FreshScriptPerTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { installFresh(); }
    void OnTestEnd(const ::testing::TestInfo&) override {
        const ScriptedPlatform& s = *current;
        EXPECT_TRUE(s.messageBoxAnswers.empty()) << "message-box answers left unused";
        EXPECT_TRUE(s.fileAnswers.empty()) << "file-dialog answers left unused";
        EXPECT_TRUE(s.colorAnswers.empty()) << "colour answers left unused";
        EXPECT_TRUE(s.modalActions.empty()) << "modal-form actions left unused";
    }
};

} // namespace

ScriptedPlatform& Script() {
    return *current;
}

void ScriptedPlatformEnvironment::SetUp() {
    installFresh();
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshScriptPerTest);
}

int ScriptedPlatform::messageBox(const QString& caption, const QString& text, int style) {
    messageBoxes.push_back({caption, text, style});
    if (messageBoxAnswers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << caption.toStdString() << ": "
                      << text.toStdString();
        return (style & 0x0F) == kMbYesNo ? kIdNo : kIdOk;
    }
    const int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
}

QString ScriptedPlatform::openFileName(QWidget*, const QString& caption, const QString& folder,
                                       const QString& filter) {
    fileDialogs.push_back({caption, folder, filter});
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << caption.toStdString();
        return {};
    }
    QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

QString ScriptedPlatform::saveFileName(QWidget* parent, const QString& caption,
                                       const QString& suggested, const QString& filter) {
    return openFileName(parent, caption, suggested, filter);
}

std::optional<QColor> ScriptedPlatform::chooseColor(QWidget*, const QColor&) {
    ++colorDialogs;
    if (colorAnswers.empty()) {
        ADD_FAILURE() << "unexpected colour dialog";
        return std::nullopt;
    }
    auto answer = colorAnswers.front();
    colorAnswers.pop_front();
    return answer;
}

int ScriptedPlatform::showModal(QWidget* form) {
    modalForms.push_back(form);
    if (modalActions.empty()) {
        ADD_FAILURE() << "unexpected modal form: " << form->objectName().toStdString();
        return QDialog::Rejected;
    }
    auto action = std::move(modalActions.front());
    modalActions.pop_front();
    return action(form);
}

void ScriptedPlatform::processEvents() {
    ++processEventsCalls;
    if (onProcessEvents)
        onProcessEvents();
}
