#include "app/dialogs.h"
#include "fake_browser.h"
#include "temp_dir.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/resource.h>

namespace plimo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// A limit on the size of the files this process writes, with SIGXFSZ ignored: a write past it fails with EFBIG
// just as one on a full disk fails with ENOSPC, and no privilege is needed. Put back at the end.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_set = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        m_set = m_set && ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { lift(); }
    void lift() {
        if (m_set) {
            ::setrlimit(RLIMIT_FSIZE, &m_old);
            m_set = false;
        }
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool set() const { return m_set; }

private:
    rlimit m_old{};
    bool m_set = false;
    void (*m_oldHandler)(int) = SIG_DFL;
};

TEST(FullDisk, ASaveThatDoesNotFitSaysSoAndKeepsTheOldFile) {
    TempDir temp;
    const fs::path config = temp.file("config.ini");
    const std::string old = "[OPTIONS]\r\nsitename=old\r\nfs=0\r\n";
    WriteFileBytes(config, old);

    std::vector<std::string> boxes;
    SetDialogAnswererForTests([&](const DialogRequest& request) {
        boxes.push_back(request.text.toStdString());
        return QMessageBox::Ok;
    });
    const std::unique_ptr<void, void (*)(void*)> answererReset(&boxes, [](void*) { SetDialogAnswererForTests({}); });
    auto browser = std::make_unique<test::FakeBrowser>();
    TForm1 form(std::move(browser));
    Tfoptions options(&form);
    options.setConfigPath(config);
    form.setOptionsWindow(&options);
    options.LMDEdit1->setText(QStringLiteral("new"));
    // Long enough that the new file needs more than the room left.
    options.LMDEdit3->setText(QString(1500, u'p'));

    FileSizeLimit full(1024);
    ASSERT_TRUE(full.set()) << std::strerror(errno);
    options.SaveSettings();
    full.lift();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Невозможно сохранить настройки в config.ini!");
    EXPECT_EQ(ReadFileBytes(config), old);
    EXPECT_FALSE(fs::exists(temp.file(".config.ini.tmp")));

    options.SaveSettings();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_NE(ReadFileBytes(config).find("sitename=new\r\n"), std::string::npos);
}

}  // namespace
}  // namespace plimo
