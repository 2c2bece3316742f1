#include "convert/texts.h"

#include <string.h>

extern const Catalogue ENGLISH, RUSSIAN;

const Catalogue *const CATALOGUES[] = {&ENGLISH, &RUSSIAN};
const unsigned CATALOGUE_COUNT = sizeof CATALOGUES / sizeof CATALOGUES[0];

static const Catalogue *Current = &ENGLISH;

const Catalogue *CatalogueFor(const char *tag) {
  for (unsigned i = 1; i < CATALOGUE_COUNT; i++) {
    size_t length = strlen(CATALOGUES[i]->language);
    if (strncmp(tag, CATALOGUES[i]->language, length) == 0) {
      return CATALOGUES[i];
    }
  }
  return &ENGLISH;
}

void UseCatalogue(const Catalogue *catalogue) { Current = catalogue; }

const Catalogue *CurrentCatalogue(void) { return Current; }

const char *Text(TextId id) { return Current->texts[id]; }
