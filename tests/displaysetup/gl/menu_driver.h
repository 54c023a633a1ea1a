// Plays the player's part in menus that the code under test builds and shows itself:
// each queued action runs, from inside the modal loop, on the next menu that shows. A
// menu that shows with no action queued fails the test and ends as a cancel, so no
// test can wait for an answer nobody gives.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CKorvexMenu;
class wxWindow;

using MenuAction = std::function<void(CKorvexMenu* menu)>;

// Queues an action for the next menu to show (after those already queued).
void OnNextMenu(const MenuAction& action);
// Menus shown since the last call, and whether every queued action has run.
int TakeMenusShown();
bool MenuActionsDone();
// Drops what is still queued.
void ClearMenuActions();

// A click on the menu's control with that id, as the toolkit delivers it.
void ClickMenuButton(CKorvexMenu* menu, int id);
// The labels of the menu's buttons, in window order.
std::vector<std::string> MenuButtonLabels(CKorvexMenu* menu);
