#pragma once

#include "tests/editor/WindowTest.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

// A window with a source file of known bytes in a folder of its own, open on
// the pretend device, and scripted dialogs, ready to save.
class ClipSavingTest : public WindowTest {
protected:
    QTemporaryDir dir;
    QString sourcePath = dir.filePath(QStringLiteral("source.mp3"));
    QByteArray source;

    QString path(const QString& name) const { return dir.filePath(name); }

    // Bytes that differ from one position to the next, so that a shifted
    // range can never compare equal.
    static QByteArray patternBytes(std::int64_t size, std::uint32_t seed = 1)
    {
        QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
        std::uint32_t state = seed;
        for (char& byte : bytes) {
            state = state * 1664525u + 1013904223u;
            byte = static_cast<char>(state >> 24);
        }
        return bytes;
    }

    static void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray readFile(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A source of `size` bytes that the device says lasts `lengthMs`, with
    // the marks set as "Select Start" and "Select End" would set them. A
    // source of 2 GiB or more is sparse: it costs no disk and is never read.
    void prepare(std::int64_t size, std::int32_t lengthMs, std::int32_t startMs, std::int32_t endMs)
    {
        const bool huge = size >= (std::int64_t { 1 } << 31);
        source = patternBytes(huge ? 0 : size);
        writeFile(sourcePath, source);
        if (huge) {
            QFile file(sourcePath);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.resize(size));
        }
        form.sourcePath = sourcePath;
        form.selectionStartMs = startMs;
        form.selectionEndMs = endMs;
        device.lengthMs = lengthMs;
        device.open = true;
    }

    // Clicks "Save" and picks `name` in the dialog (nothing: cancel).
    void saveAs(const std::optional<QString>& name)
    {
        h.dialogAnswers.push_back(name);
        form.Command7.click();
    }

    // Everything in the folder, joined by blanks: a temporary file left
    // behind shows up here.
    std::string entries(const QString& folder = {}) const
    {
        return QDir(folder.isEmpty() ? dir.path() : folder)
            .entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)
            .join(u' ')
            .toStdString();
    }

    // The window is back at rest: every working control enabled, caption and
    // progress reset.
    void expectIdle()
    {
        const QWidget* controls[] = { &form.Command1, &form.Command2, &form.Command4,
            &form.Command5, &form.Command6, &form.Command7, &form.Command9, &form.H };
        for (const QWidget* control : controls)
            EXPECT_TRUE(control->isEnabled()) << control->metaObject()->className();
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Trimora"));
        EXPECT_EQ(form.pb.Value(), 0.0f);
    }
};
