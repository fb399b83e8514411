// Placeholder while the file is being written.
