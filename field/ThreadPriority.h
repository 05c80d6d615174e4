#pragma once

namespace field {

// Puts the calling thread behind the GUI thread for the processor: work that
// arrives from the network, however fast it comes, must leave the window a
// core to show what it already accepted.
void YieldProcessorToWindow();

}  // namespace field
