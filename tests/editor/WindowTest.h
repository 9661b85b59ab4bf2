#pragma once

#include "tests/editor/PretendPlayer.h"
#include "tests/support/FormHarness.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using Commands = std::vector<std::string>;

// The window over the pretend device, on the fake clock.
class WindowTest : public testing::Test {
protected:
    harness::FormHarness h;
    PretendPlayer device { h };
    Form1& form = h.form();

    // Clicks "Open" and picks `path` in the dialog.
    void open(const QString& path)
    {
        h.dialogAnswers.push_back(path);
        form.Command4.click();
    }

    // Sets both marks and gives the mark labels texts that show any change.
    void setMarks(std::int32_t startMs, std::int32_t endMs)
    {
        form.selectionStartMs = startMs;
        form.selectionEndMs = endMs;
        form.Label7.setText(QStringLiteral("start"));
        form.Label9.setText(QStringLiteral("end"));
        form.Label3.setText(QStringLiteral("length"));
    }

    // Commands sent since `mark`, an index into the record.
    Commands sentSince(std::size_t mark) const
    {
        return Commands(
            h.mci.commands.begin() + static_cast<std::ptrdiff_t>(mark), h.mci.commands.end());
    }

    // The message boxes shown so far, joined by "|".
    std::string said() const
    {
        QStringList prompts;
        for (const auto& message : h.messages)
            prompts << message.prompt;
        return prompts.join(u'|').toStdString();
    }
};
