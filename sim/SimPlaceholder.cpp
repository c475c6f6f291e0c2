// Keeps the library target valid while it has no other sources.
