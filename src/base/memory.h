#pragma once
// The C library keeps memory freed by the program for its next allocations. After a large
// working set is replaced (a pack of pictures swapped for another), what is free in the middle
// of the heap is handed back to the system so that the process does not grow a little with
// each swap.
void ReturnFreeMemory();
