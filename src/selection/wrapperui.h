#ifndef WRAPPERUI_H
#define WRAPPERUI_H

#include <QHash>
#include <QJsonArray>
#include <QObject>
#include <QSet>
#include <QString>

class ConfigManager;

/**
 * Reacts to check-box clicks: ticks and unticks the products linked to the clicked one through
 * "linked-products-ui" and shows "Install" only while some check box is ticked.
 */
class WrapperUI : public QObject
{
    Q_OBJECT
public:
    /** Reads kestrun.json into a configuration of its own. */
    explicit WrapperUI(QObject *parent = nullptr);
    ~WrapperUI() override;

public slots:
    /**
     * Called by check box number num (1 to 10) of the window parent after a click changed it.
     * Ticking follows the product's links transitively; unticking releases the linked products
     * that no other ticked product still links to.
     */
    void checkBoxClicked(QObject *sender, QObject *parent, int num);

private:
    QObject *findObject(const QString &objectName) const;
    QString labelText(int slot) const;
    static bool isTicked(const QObject *checkBox);
    QJsonArray linkedProducts(const QString &name);

    void updateCheckBoxes();
    void setLinkedProducts(const QString &name, bool ticked);
    bool isLinkedByOtherChecked(const QString &name, const QString &linked);

    QHash<QString, QObject *> checkBoxes;
    QObject *buttonInstall = nullptr;
    QObject *sender = nullptr;
    QObject *parent = nullptr;
    int num = 0;
    ConfigManager *configManager;
    // Products whose state this click has already set; links that loop back stop here.
    QSet<QString> visited;
};

#endif // WRAPPERUI_H
