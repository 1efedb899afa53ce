// How the C library's heap hands memory back to the system.
#pragma once

namespace brivo {

// Blocks of 256 KiB and more (decoded pictures, rendered pages, video frames, file contents) are mapped
// on their own and given back to the system as soon as they are freed. By default glibc raises that limit
// each time such a block is freed, after which the blocks stay in the heaps of the threads that made
// them: every closed window would then leave its decoder threads' heaps full, and a long session would
// grow with each new thread. Done as the application object is made, in the program and in every test
// and benchmark that links the core, so that they all measure the same heap; does nothing where the C
// library has no such setting.
void setUpHeap();

} // namespace brivo
