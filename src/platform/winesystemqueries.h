#ifndef WINESYSTEMQUERIES_H
#define WINESYSTEMQUERIES_H

#include "platform/standinsystemqueries.h"
#include "platform/systemqueries.h"

#include <QProcess>
#include <QStringList>

#include <optional>

/**
 * The system queries answered by a Windows: the query helper (kestrun-query.exe, the plain
 * Win32 queries behind a line protocol on standard input and output) started once under Wine,
 * in the Wine prefix its environment names, on the first question. When the helper cannot be
 * started, dies, stays silent past a time-out or answers nonsense, it is stopped and the
 * stand-in answers this question and every later one, so start-up always completes.
 */
class WineSystemQueries : public SystemQueries
{
public:
    /** The helper's file name, beside the executable where it is shipped. */
    static const QString HelperFileName;

    struct Timeouts
    {
        /** Until the helper greets: Wine may have to create its prefix first. */
        int startMs = 60000;
        /** For each answer, and for the helper to end when it is no longer needed. */
        int answerMs = 10000;
    };

    /** Starts program with arguments (wine and the helper's path) when first asked. */
    WineSystemQueries(const QString &program, const QStringList &arguments, Timeouts timeouts);
    /** Closes the helper's input, on which it ends; stops it if it does not. */
    ~WineSystemQueries() override;

    WineSystemQueries(const WineSystemQueries &) = delete;
    WineSystemQueries &operator=(const WineSystemQueries &) = delete;

    bool isNativeAmd64() override;
    bool registryValueExists(
        const QString &keyPath, const QString &valueName, bool view64) override;
    bool isProductInstalled(const QString &productCode) override;
    QString productVersion(const QString &productCode) override;

    /** False once the helper has failed and the stand-in answers instead. */
    bool isHelperAnswering() const;

private:
    struct Reply
    {
        bool yes = false;
        QString text;
    };

    /** Asks the helper; no value when it cannot be asked or failed (the stand-in answers). */
    std::optional<Reply> ask(const QStringList &request, bool withText = false);
    static std::optional<Reply> parseReply(const QByteArray &line, bool withText);
    bool ensureStarted();
    std::optional<QByteArray> readLine(int timeoutMs);
    void giveUp();

    QString program;
    QStringList arguments;
    Timeouts timeouts;
    QProcess helper;
    enum class State { NotStarted, Answering, Failed } state = State::NotStarted;
    StandInSystemQueries standIn;
};

#endif // WINESYSTEMQUERIES_H
