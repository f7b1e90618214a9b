// Stands in for a folder whose managers are not written yet, so its library links.
