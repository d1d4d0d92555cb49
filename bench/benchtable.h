#pragma once

#include "table/idcodetable.h"

namespace kalvidor::bench {

// A table with every slot holding an ID of its own, as a site with every
// list full would have it. Slots 1 to 212 share the base ID's upper 16 bits,
// which is what the unit keeps of them, so a read gives the table back.
inline IdCodeTable fullTable()
{
    IdCodeTable table;
    table.ids[0] = DefaultBaseId;
    for (int slot = 1; slot < SlotCount; ++slot)
        table.ids[slot] = DefaultBaseId + 0x101 * slot;
    table.holdTime = 30;
    table.operatorAllowance = 3;
    return table;
}

} // namespace kalvidor::bench
