#pragma once

// The search frame (minimal until its search rows are added).

#include "base/CustomNavigatorForm.h"

class TParkingNavigatorForm : public TCustomNavigatorForm {
public:
    explicit TParkingNavigatorForm(QWidget *parent = nullptr) : TCustomNavigatorForm(parent) {}
};
