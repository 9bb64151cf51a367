#include "core/link_settings.h"

LinkSettingsRecord LinkSettings;
