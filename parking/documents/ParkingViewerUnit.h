#pragma once

// The document list frame (minimal until the list's own actions are added).

#include "base/CustomViewerForm.h"

class TParkingViewerForm : public TCustomViewerForm {
public:
    explicit TParkingViewerForm(QWidget *parent = nullptr) : TCustomViewerForm(parent) {}
};
