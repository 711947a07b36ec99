#include "platform/LocaleSettings.h"

const TLocaleSettings& SystemLocale() {
  static const TLocaleSettings settings;
  return settings;
}
