#include "loaded_panel.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace plimo {
namespace {

using namespace test;

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
    LoadedPanel panel({.settings = "sitename=old\r\nfs=0\r\n"});
    const std::string old = ReadFileBytes(panel.config());
    Tfoptions& options = *panel.options;
    const std::vector<DialogRequest>& boxes = panel.dialogs.asked;
    options.LMDEdit1->setText(QStringLiteral("new"));
    // Long enough that the new file needs more than the room left.
    options.LMDEdit3->setText(QString(1500, u'p'));

    FileSizeLimit full(1024);
    ASSERT_TRUE(full.set()) << std::strerror(errno);
    options.SaveSettings();
    full.lift();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Невозможно сохранить настройки в config.ini!"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Plimo"));
    EXPECT_EQ(boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(ReadFileBytes(panel.config()), old);
    EXPECT_EQ(panel.folder->entries(), std::vector<std::string>{"config.ini"}) << "no half-written file left";

    options.SaveSettings();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_NE(ReadFileBytes(panel.config()).find("sitename=new\r\n"), std::string::npos);
}

}  // namespace
}  // namespace plimo
