#pragma once

// A file system of a few kilobytes that is full, for the writers' handling of
// ENOSPC. Mounting needs root; elsewhere the tests using it are skipped with a
// message saying so.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace testsupport {

class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root; full-disk writes not tested";
        ASSERT_TRUE(dir_.isValid());
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "lumora-full", dir_.path()}) != 0)
            GTEST_SKIP() << "could not mount a small tmpfs here; full-disk writes not tested";
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) QProcess::execute("umount", {dir_.path()});
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    void store(const QString& name, const QByteArray& bytes) {
        QFile old(path(name));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        ASSERT_EQ(old.write(bytes), bytes.size());
    }

    // Fills the file system to the last byte.
    void fill() {
        QFile filler(path("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write("x", 1) == 1) {
        }
    }

    QByteArray contents(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Only the stored files and the filler: no temporary was left behind.
    QStringList files() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

}  // namespace testsupport
