# Picture loaders and the PNG writer.
