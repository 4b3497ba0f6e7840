#include "app/dialogs.h"
#include "fake_browser.h"
#include "temp_dir.h"
#include "ui/tfoptions.h"
#include "ui/tform1.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include <sys/mount.h>

namespace plimo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// A 64 KiB file system of its own, unmounted at the end.
class SmallDisk {
public:
    explicit SmallDisk(fs::path folder) : m_folder(std::move(folder)) {
        fs::create_directory(m_folder);
        m_mounted = ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, "size=64k") == 0;
        m_error = m_mounted ? 0 : errno;
    }
    ~SmallDisk() {
        if (m_mounted) {
            ::umount2(m_folder.c_str(), MNT_DETACH);
        }
    }
    bool mounted() const { return m_mounted; }
    std::string error() const { return std::strerror(m_error); }
    const fs::path& folder() const { return m_folder; }

    // Writes a file until the disk refuses more.
    void fill() {
        std::FILE* filler = std::fopen((m_folder / "filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        const std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
        }
        std::fclose(filler);
    }
    void makeRoom() { fs::remove(m_folder / "filler"); }

private:
    fs::path m_folder;
    bool m_mounted = false;
    int m_error = 0;
};

TEST(FullDisk, ASaveThatDoesNotFitSaysSoAndKeepsTheOldFile) {
    TempDir temp;
    SmallDisk disk(temp.file("disk"));
    if (!disk.mounted()) {
        GTEST_SKIP() << "cannot mount a small tmpfs to fill up (needs root with CAP_SYS_ADMIN): " << disk.error();
    }
    const fs::path config = disk.folder() / "config.ini";
    const std::string old = "[OPTIONS]\r\nsitename=old\r\nfs=0\r\n";
    WriteFileBytes(config, old);
    disk.fill();

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
    // Long enough that the new file needs more than the disk's last free bytes.
    options.LMDEdit3->setText(QString(1500, u'p'));

    options.SaveSettings();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Невозможно сохранить настройки в config.ini!");
    EXPECT_EQ(ReadFileBytes(config), old);
    EXPECT_FALSE(fs::exists(disk.folder() / ".config.ini.tmp"));

    disk.makeRoom();
    options.SaveSettings();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_NE(ReadFileBytes(config).find("sitename=new\r\n"), std::string::npos);
}

}  // namespace
}  // namespace plimo
