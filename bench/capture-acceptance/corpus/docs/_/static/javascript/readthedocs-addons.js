/* Hosting add-ons: reads the project meta tags; the version menu opens on demand. */
(function () {
  var slug = document.querySelector('meta[name="readthedocs-project-slug"]');
  window.readthedocs = { project: slug && slug.content, ready: true };
})();
