// The tray icon component lives here.
