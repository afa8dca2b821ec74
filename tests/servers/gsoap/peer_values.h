/* The values every service of the peer answers with, so that the scripts
   expect the same people and items whatever the style. */
#ifndef NVX_GSOAP_PEER_VALUES_H
#define NVX_GSOAP_PEER_VALUES_H

#include "stdsoap2.h"

enum { PEER_MAX_COUNT = 1000 };

/* `count` clamped to 0..PEER_MAX_COUNT. */
int peer_count(int count);
/* "item N" for the index N - 1. */
char* peer_item(struct soap* soap, int index);
/* The index-th person of the lists (Ada, Brian, Claude, ...), or `name` when
   given: its name, an age of 30 + index and a height of 1.5 + index / 4. */
void peer_person(struct soap* soap, const char* name, int index, char** out_name, int* age, float* height);
/* "NAME is AGE and HEIGHT m tall". */
char* peer_description(struct soap* soap, const char* name, int age, float height);

#endif
