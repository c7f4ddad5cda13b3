/* Base JavaScript utilities for the documentation pages. */
"use strict";
const Documentation = {
  init: () => { Documentation.initOnKeyListeners(); },
  initOnKeyListeners: () => {
    document.addEventListener("keydown", (event) => {
      if (event.altKey || event.ctrlKey || event.metaKey) return;
      if (event.key === "/" ) { const box = document.querySelector('input[name="q"]'); if (box) { box.focus(); event.preventDefault(); } }
    });
  },
};
document.addEventListener("DOMContentLoaded", Documentation.init);
