<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>FAQ</title><link rel="stylesheet" href="portal.css"></head>
<body style="overflow:auto"><main>
<h1>Frequently asked questions</h1>
<p><b>Where do games go?</b> Into the folder shown under "Install into"; change it before installing.</p>
<p><b>How do I remove a game?</b> Press Uninstall on its card: its folder and its desktop shortcut go.</p>
</main></body></html>
