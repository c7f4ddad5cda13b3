/* wp-runtime-4bfc7a3a2d0b: bundle runtime */ (self.webpackChunk=self.webpackChunk||[]).push([['wp-runtime-4bfc7a3a2d0b'],{}]);
