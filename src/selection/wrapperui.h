#ifndef WRAPPERUI_H
#define WRAPPERUI_H

#include <QObject>

class ConfigManager;

/** Reacts to check-box clicks: follows linked products and shows or hides "Install". */
class WrapperUI : public QObject
{
    Q_OBJECT
public:
    explicit WrapperUI(QObject *parent = nullptr);
    ~WrapperUI() override;

public slots:
    /** Called by check box number num (1 to 10) after a click changed it. */
    void checkBoxClicked(QObject *sender, QObject *parent, int num);

private:
    ConfigManager *configManager;
};

#endif // WRAPPERUI_H
