// Filled by the media work.
