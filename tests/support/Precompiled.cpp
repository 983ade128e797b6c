// SPDX-License-Identifier: MIT
// Nothing of its own: the library around it compiles the headers every test reads.
