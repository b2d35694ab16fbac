<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Varnet</title>
<link rel="stylesheet" href="portal.css">
</head>
<body>
<header id="titlebar">
  <div class="brand"><span class="logo">V</span> Varnet <small>game portal</small></div>
  <div class="status">
    <span id="version">client –</span>
    <span id="update" class="pill">checking for updates…</span>
  </div>
  <div class="controls">
    <button id="minimise" title="Minimise">&#x2013;</button>
    <button id="maximise" title="Maximise">&#x25A1;</button>
    <button id="close" title="Close">&#x2715;</button>
  </div>
</header>
<main>
  <section class="hero">
    <div>
      <h1>Your library</h1>
      <p>Pick a game, choose where it goes, and play. Packages are fetched by the companion
        downloader and unpacked by the client.</p>
    </div>
    <div class="ticket">
      <div class="label">Machine ticket</div>
      <code id="ticket">–</code>
    </div>
  </section>
  <section class="root">
    <span class="label">Install into</span> <code id="root">–</code>
    <button id="pickroot" class="ghost">Change…</button>
  </section>
  <section id="games" class="games"></section>
  <div id="banner" class="banner hidden"><span id="bannertext"></span><div class="bar"><div id="bannerbar"></div></div></div>
</main>
<script src="portal.js"></script>
</body>
</html>
