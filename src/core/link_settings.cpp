#include "app/config/link_settings.h"

LinkSettingsRecord LinkSettings;
