// A settings-like sample menu shared by the menu tests and the benchmark: a title
// picture, a titled group of choices and key buttons, an untitled group with a
// paragraph, and OK and Cancel.
#pragma once

#include <memory>

class CKorvexMenu;
class CKorvexMenuButton;
class CKorvexMenuChoice;
class CKorvexMenuKeyButton;

struct SampleMenuValues {
    int music = 1;      // "Off", "Once", "Loop"
    int detail = 2;     // "Low", "Medium", "High", "Very High"
    int leftKey = 314;
    int rightKey = 316;
    int dropKey = 32;
};

struct SampleMenu {
    std::unique_ptr<CKorvexMenu> menu;
    CKorvexMenuChoice* music;
    CKorvexMenuChoice* detail;
    CKorvexMenuKeyButton* left;
    CKorvexMenuKeyButton* right;
    CKorvexMenuKeyButton* drop;
    CKorvexMenuButton* ok;
    CKorvexMenuButton* cancel;
};

// Builds (does not show) the sample over the current ScreenArea.
SampleMenu BuildSampleMenu(SampleMenuValues& values);
