#include "childscript.h"

#include "install/installerchild.h"

#include <QTimer>

namespace {

class ScriptedChild : public InstallerChild
{
public:
    ScriptedChild(std::function<int(const QStringList &)> answer, std::function<void()> ended)
        : answer(std::move(answer))
        , ended(std::move(ended))
    { }
    void start(const InstallCommand &command) override
    {
        const int code = answer(QStringList {command.program} + command.arguments);
        QTimer::singleShot(0, this, [this, code] {
            ended();
            emit finished(code, QProcess::NormalExit);
        });
    }

private:
    std::function<int(const QStringList &)> answer;
    std::function<void()> ended;
};

} // namespace

void ChildScript::setCodes(const QString &argumentEnd, const QList<int> &codes)
{
    this->codes.insert(argumentEnd, codes);
}

InstallManager::ChildFactory ChildScript::factory()
{
    return [this] {
        return new ScriptedChild(
            [this](const QStringList &call) { return nextCode(call); }, [this] { --running; });
    };
}

int ChildScript::nextCode(const QStringList &call)
{
    log << call;
    overlap = overlap || running++ > 0;
    for (auto it = codes.cbegin(); it != codes.cend(); ++it) {
        for (const QString &argument : call) {
            if (argument.endsWith(it.key()))
                return it.value().value(used[it.key()]++, it.value().constLast());
        }
    }
    return 0;
}
