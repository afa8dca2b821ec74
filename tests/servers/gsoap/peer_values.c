#include "peer_values.h"

#include <stdio.h>

static const char* const people[] = {"Ada", "Brian", "Claude"};

int peer_count(int count) { return count < 0 ? 0 : count > PEER_MAX_COUNT ? PEER_MAX_COUNT : count; }

char* peer_item(struct soap* soap, int index)
{
    char text[32];
    snprintf(text, sizeof text, "item %d", index + 1);
    return soap_strdup(soap, text);
}

void peer_person(struct soap* soap, const char* name, int index, char** out_name, int* age, float* height)
{
    *out_name = soap_strdup(soap, name ? name : people[index % 3]);
    *age = 30 + index;
    *height = 1.5f + 0.25f * (float)index;
}

char* peer_description(struct soap* soap, const char* name, int age, float height)
{
    char text[512];
    snprintf(text, sizeof text, "%s is %d and %.2f m tall", name ? name : "(nobody)", age, height);
    return soap_strdup(soap, text);
}
