// Filled by the rewrite work.
