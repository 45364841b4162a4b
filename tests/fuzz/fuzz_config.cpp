// kestrun.json as arbitrary bytes, read the way the program reads it: the lookups of start-up,
// the link walk of WrapperUI on every check box the products fill, and DependencyManager's
// rules against a made-up machine.

#include "config/configmanager.h"
#include "fuzzapplication.h"
#include "recordingsystemqueries.h"
#include "rules/checkboxslots.h"
#include "rules/dependencymanager.h"
#include "selection/wrapperui.h"
#include "window/windowitems.h"

#include <QObject>
#include <QVariant>

#include <memory>

namespace {

// At most this many products are asked about, so that one large input cannot stall the run;
// hostile sizes are tried on the real program instead.
constexpr int MaxProductsChecked = 64;

void checkStartupLookups(const ConfigManager &config)
{
    const int count = config.getNameList().size();
    // Start-up reads all five lists with one index.
    FuzzApplication::require(config.getDisplayList().size() == count
        && config.getRemoveFirstList().size() == count && config.getFileList().size() == count
        && config.getParameterList().size() == count
        && config.getProductFiles() == config.getFileList());
    (void)config.getTitle();
}

// A window of plain objects with the names and properties the real one has.
void placeOnCheckBoxes(QObject &window, const QStringList &names)
{
    for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot) {
        auto label = new QObject(&window);
        label->setObjectName(WindowItems::labelName(slot));
        auto checkBox = new QObject(&window);
        checkBox->setObjectName(WindowItems::checkBoxName(slot));
        const bool filled = slot <= names.size();
        label->setProperty("text", filled ? names.at(slot - 1) : QStringLiteral("Check Box"));
        checkBox->setProperty("checked", filled);
        if (filled)
            checkBox->setProperty("file", QStringLiteral("package.msi"));
    }
}

void clickEveryCheckBox(const QStringList &names)
{
    QObject window;
    placeOnCheckBoxes(window, names);
    WrapperUI wrapper;
    // Untick every box, then tick it again, as a user clicking twice.
    for (int round = 0; round < 2; ++round) {
        for (int slot = 1; slot <= CheckBoxSlots::Count; ++slot) {
            QObject *checkBox = WindowItems::find(&window, WindowItems::checkBoxName(slot));
            checkBox->setProperty("checked", !checkBox->property("checked").toBool());
            wrapper.checkBoxClicked(checkBox, &window, slot);
        }
    }
}

void checkApplicability(const QStringList &names)
{
    RecordingSystemQueries::Machine machine;
    machine.installed.insert(
        QStringLiteral("{11111111-2222-3333-4444-555555555555}"), QStringLiteral("2015.1.0"));
    DependencyManager dependencies(std::make_unique<RecordingSystemQueries>(machine));
    for (int i = 0; i < names.size() && i < MaxProductsChecked; ++i)
        (void)dependencies.checkDependencies(names.at(i));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzApplication::writeBeside(QStringLiteral("kestrun.json"),
        QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(size)));
    ConfigManager config;
    FuzzApplication::require(config.readConfig());
    checkStartupLookups(config);
    const QStringList names = config.getNameList();
    for (int i = 0; i < names.size() && i < MaxProductsChecked; ++i) {
        (void)config.getDependencies(names.at(i));
        (void)config.getGuid(names.at(i));
    }
    clickEveryCheckBox(names.mid(0, CheckBoxSlots::Count));
    checkApplicability(names);
    return 0;
}
