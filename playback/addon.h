// The add-on library that supplies spin controls to the settings dialogs.
#pragma once

// 1 when the add-on is bound; a missing or unusable add-on is logged and never stops start-up.
int BindAddOn();
// The bound add-on's version; 0 when no add-on is bound.
unsigned AddOnVersion();
