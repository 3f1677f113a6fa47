#pragma once

// The search pane beside the document list: six search values turned into the document
// search of the shared document dataset, which is then reopened newest first.

#include <framework/base/CustomNavigatorForm.h>

#include <utility>
#include <vector>

class TParkingDM;

class TParkingNavigatorForm : public TCustomNavigatorForm {
    Q_OBJECT
public:
    explicit TParkingNavigatorForm(TParkingDM &dm, QWidget *parent = nullptr);
    ~TParkingNavigatorForm() override;

    void FindButtonClick() override;
    QString ParseSQL() override;

protected:
    void SetSearchProps() override;
    void SearchVLEEditButtonClick() override;
    void SearchVLEKeyDown(int &key, Qt::KeyboardModifiers modifiers) override;
    void SearchVLEKeyPress(QString &text) override;

private:
    // Each search key with the value typed for it.
    std::vector<std::pair<QString, QString>> SearchValues() const;

    TParkingDM &m_dm;
};
