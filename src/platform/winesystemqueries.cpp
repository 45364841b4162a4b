#include "winesystemqueries.h"

#include <QDeadlineTimer>

#include <algorithm>

namespace {

const QByteArray Greeting = QByteArrayLiteral("kestrun-query 1");
constexpr char Separator = '\t';

// The protocol has no escapes: a field holding a line break or the separator cannot be asked.
bool isAskable(const QString &field)
{
    return !field.contains(QLatin1Char(Separator)) && !field.contains(QLatin1Char('\n'))
        && !field.contains(QLatin1Char('\r'));
}

} // namespace

const QString WineSystemQueries::HelperFileName = QStringLiteral("kestrun-query.exe");

WineSystemQueries::WineSystemQueries(
    const QString &program, const QStringList &arguments, Timeouts timeouts)
    : program(program)
    , arguments(arguments)
    , timeouts(timeouts)
{
    // Wine's own diagnostics are nobody's business here.
    helper.setStandardErrorFile(QProcess::nullDevice());
}

WineSystemQueries::~WineSystemQueries()
{
    if (helper.state() == QProcess::NotRunning)
        return;
    helper.closeWriteChannel();
    if (!helper.waitForFinished(timeouts.answerMs))
        giveUp();
}

bool WineSystemQueries::isNativeAmd64()
{
    const auto reply = ask({QStringLiteral("amd64")});
    return reply ? reply->yes : standIn.isNativeAmd64();
}

bool WineSystemQueries::registryValueExists(
    const QString &keyPath, const QString &valueName, bool view64)
{
    const QString view = view64 ? QStringLiteral("64") : QStringLiteral("default");
    const auto reply = ask({QStringLiteral("value"), view, keyPath, valueName});
    return reply ? reply->yes : standIn.registryValueExists(keyPath, valueName, view64);
}

bool WineSystemQueries::isProductInstalled(const QString &productCode)
{
    const auto reply = ask({QStringLiteral("installed"), productCode});
    return reply ? reply->yes : standIn.isProductInstalled(productCode);
}

QString WineSystemQueries::productVersion(const QString &productCode)
{
    const auto reply = ask({QStringLiteral("version"), productCode}, true);
    return reply ? reply->text : standIn.productVersion(productCode);
}

bool WineSystemQueries::isHelperAnswering() const
{
    return state != State::Failed;
}

std::optional<WineSystemQueries::Reply> WineSystemQueries::ask(
    const QStringList &request, bool withText)
{
    if (!std::all_of(request.cbegin(), request.cend(), isAskable) || !ensureStarted())
        return std::nullopt;
    helper.write(request.join(QLatin1Char(Separator)).toUtf8() + '\n');
    const std::optional<QByteArray> line = readLine(timeouts.answerMs);
    const std::optional<Reply> reply = line ? parseReply(*line, withText) : std::nullopt;
    if (!reply)
        giveUp();
    return reply;
}

std::optional<WineSystemQueries::Reply> WineSystemQueries::parseReply(
    const QByteArray &line, bool withText)
{
    // "yes" or "no"; a version comes as "yes", the separator and the text.
    const int separator = line.indexOf(Separator);
    const QByteArray head = separator < 0 ? line : line.left(separator);
    const bool yes = head == "yes";
    if ((!yes && head != "no") || (separator >= 0) != (withText && yes))
        return std::nullopt;
    return Reply {yes, separator < 0 ? QString() : QString::fromUtf8(line.mid(separator + 1))};
}

bool WineSystemQueries::ensureStarted()
{
    if (state == State::NotStarted) {
        helper.start(program, arguments);
        state = readLine(timeouts.startMs) == Greeting ? State::Answering : State::Failed;
        if (state == State::Failed)
            giveUp();
    }
    return state == State::Answering;
}

std::optional<QByteArray> WineSystemQueries::readLine(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!helper.canReadLine()) {
        if (!helper.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return std::nullopt;
    }
    QByteArray line = helper.readLine();
    line.chop(1);
    return line;
}

void WineSystemQueries::giveUp()
{
    state = State::Failed;
    if (helper.state() == QProcess::NotRunning)
        return;
    helper.kill();
    helper.waitForFinished(timeouts.answerMs);
}
