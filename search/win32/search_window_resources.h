/* Resource identifiers of the search window (read by the resource compiler too). */
#pragma once

#define SCANDREL_FORM1_BACKGROUND 201
