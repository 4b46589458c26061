#include "app/frameentry.h"
#include "support/printers.h"

#include <gtest/gtest.h>

#include <optional>

using Key = FrameEntry::Key;

namespace {

// The caption as the main window keeps it: each outcome's caption replaces it.
struct Typing
{
    explicit Typing(const QString &start)
        : caption(start)
    {}

    FrameEntry::Outcome press(Key key, int digit = 0)
    {
        const FrameEntry::Outcome outcome = entry.apply(caption, key, digit);
        if (outcome.caption)
            caption = *outcome.caption;
        return outcome;
    }
    void type(const char *digits)
    {
        for (const char *d = digits; *d != 0; ++d)
            press(Key::KeypadDigit, *d - '0');
    }

    FrameEntry entry;
    QString caption;
};

} // namespace

TEST(FrameEntry, DigitsStartAFreshEntryOverAnyOtherCaption)
{
    const QString captions[] = {
            QStringLiteral("/movies/a.avi"), QString(),
            QStringLiteral("a1.avi"),        QStringLiteral("１２.avi"),
            QStringLiteral(" 12"),
    };
    for (const QString &start : captions) {
        Typing t(start);
        EXPECT_EQ(t.press(Key::KeypadDigit, 1).caption, QStringLiteral("1")) << start.toStdString();
        EXPECT_EQ(t.press(Key::KeypadDigit, 2).caption, QStringLiteral("12"))
                << start.toStdString();
        EXPECT_EQ(t.press(Key::KeypadDigit, 0).caption, QStringLiteral("120"))
                << start.toStdString();
        EXPECT_EQ(t.entry.length(), 3) << start.toStdString();
    }
}

TEST(FrameEntry, NineDigitsAtMost)
{
    Typing t(QStringLiteral("movie.avi"));
    t.type("987654321");
    EXPECT_EQ(t.caption, QStringLiteral("987654321"));
    t.press(Key::KeypadDigit, 5);
    EXPECT_EQ(t.caption, QStringLiteral("987654321"));
    EXPECT_EQ(t.entry.length(), 9);
    EXPECT_EQ(t.press(Key::Enter).seekTo, 987654321);
}

TEST(FrameEntry, BackspaceTakesBackDigits)
{
    Typing t(QStringLiteral("movie.avi"));
    t.type("123");
    EXPECT_EQ(t.press(Key::Backspace).caption, QStringLiteral("12"));
    EXPECT_EQ(t.press(Key::Backspace).caption, QStringLiteral("1"));
    EXPECT_EQ(t.press(Key::Backspace).caption, QString());
    EXPECT_EQ(t.press(Key::KeypadDigit, 4).caption, QStringLiteral("4"));
    EXPECT_EQ(t.press(Key::KeypadDigit, 2).caption, QStringLiteral("42"));
}

TEST(FrameEntry, EnterSeeksToTheTypedFrame)
{
    Typing t(QStringLiteral("/movies/a.avi"));
    t.type("007");
    const FrameEntry::Outcome outcome = t.press(Key::Enter);
    EXPECT_EQ(outcome.seekTo, 7);
    EXPECT_EQ(outcome.caption, std::nullopt);

    // The window shows the path again; keys other than digits leave it alone.
    t.caption = QStringLiteral("/movies/a.avi");
    for (const Key key : {Key::Backspace, Key::Enter, Key::Other}) {
        const FrameEntry::Outcome nothing = t.press(key);
        EXPECT_EQ(nothing.caption, std::nullopt) << int(key);
        EXPECT_EQ(nothing.seekTo, std::nullopt) << int(key);
    }
    EXPECT_EQ(t.press(Key::KeypadDigit, 5).caption, QStringLiteral("5"));
    EXPECT_EQ(t.press(Key::Enter).seekTo, 5);
}

TEST(FrameEntry, OtherKeysLeaveTheEntry)
{
    Typing t(QStringLiteral("movie.avi"));
    t.type("12");
    const FrameEntry::Outcome outcome = t.press(Key::Other);
    EXPECT_EQ(outcome.caption, std::nullopt);
    EXPECT_EQ(outcome.seekTo, std::nullopt);
    EXPECT_EQ(t.press(Key::KeypadDigit, 3).caption, QStringLiteral("123"));
}

// A path that starts with a digit reads as an entry in progress: digits go over its characters
// from the count typed so far.
TEST(FrameEntry, DigitsGoOverACaptionThatStartsWithADigit)
{
    Typing fresh(QStringLiteral("12abc.avi"));
    EXPECT_EQ(fresh.press(Key::KeypadDigit, 5).caption, QStringLiteral("52abc.avi"));
    EXPECT_EQ(fresh.press(Key::KeypadDigit, 7).caption, QStringLiteral("57abc.avi"));

    Typing after(QStringLiteral("movie.avi"));
    after.type("12");
    EXPECT_EQ(after.press(Key::Enter).seekTo, 12);
    after.caption = QStringLiteral("3rd.avi");
    EXPECT_EQ(after.press(Key::KeypadDigit, 5).caption, QStringLiteral("3r5.avi"));
}

TEST(FrameEntry, EnterOnAPathIsNotANumber)
{
    Typing t(QStringLiteral("9movie.avi"));
    t.type("1");
    ASSERT_EQ(t.caption, QStringLiteral("1movie.avi"));
    try {
        t.press(Key::Enter);
        ADD_FAILURE() << "Enter on " << t.caption.toStdString() << " gave no error";
    } catch (const FrameEntry::NotANumber &error) {
        EXPECT_EQ(error.caption, QStringLiteral("1movie.avi"));
    }
}
