// The add-on library that supplies spin controls to the settings dialogs.
#pragma once

// 1 when the add-on is bound; a missing or unusable add-on is logged and never stops start-up.
int BindAddOn();
