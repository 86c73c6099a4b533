#pragma once

class TMainForm;

// The main menu's enter action: the six items, the publisher logo and the tiled background.
void BuildMainMenu(TMainForm& form);
