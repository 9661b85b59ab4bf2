#pragma once

#include "tests/support/FormHarness.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>

// A window with a source file of known bytes in a folder of its own, a
// scripted device length and scripted dialogs, ready to save.
class ClipSavingTest : public ::testing::Test {
protected:
    harness::FormHarness h;
    QTemporaryDir dir;
    QString sourcePath;
    QByteArray source;
    std::int32_t deviceLengthMs = 0;

    ClipSavingTest()
    {
        h.mci.fallback = [this](const std::string& command) {
            harness::RecordingMci::Reply reply;
            if (command == "status movie length")
                reply.text = std::to_string(deviceLengthMs);
            return reply;
        };
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    Form1& form() { return h.form(); }

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
    // the marks set as "Select Start" and "Select End" would set them.
    void prepare(std::int64_t size, std::int32_t lengthMs, std::int32_t startMs, std::int32_t endMs)
    {
        sourcePath = path(QStringLiteral("source.mp3"));
        source = patternBytes(size);
        writeFile(sourcePath, source);
        form().sourcePath = sourcePath;
        form().selectionStartMs = startMs;
        form().selectionEndMs = endMs;
        deviceLengthMs = lengthMs;
    }

    // Clicks "Save" and picks `name` in the dialog (nothing: cancel).
    void saveAs(const std::optional<QString>& name)
    {
        h.dialogAnswers.push_back(name);
        form().Command7.click();
    }

    // The message boxes shown so far, joined by "|".
    std::string said() const
    {
        QStringList prompts;
        for (const auto& message : h.messages)
            prompts << message.prompt;
        return prompts.join(u'|').toStdString();
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
        const QWidget* controls[] = { &form().Command1, &form().Command2, &form().Command4,
            &form().Command5, &form().Command6, &form().Command7, &form().Command9, &form().H };
        for (const QWidget* control : controls)
            EXPECT_TRUE(control->isEnabled()) << control->metaObject()->className();
        EXPECT_EQ(form().windowTitle(), QStringLiteral("Trimora"));
        EXPECT_EQ(form().pb.Value(), 0.0f);
    }
};
